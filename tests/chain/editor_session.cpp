// The editor's part of the whole-chain test, run by chain_tests as a program
// of its own in the project's folder (the editor and the writer control each
// have a window class TForm1, so they never share one program). A user's
// session: the WAV files of the folder into the file list, files into the
// group lists, section attributes, Mode and Vout, then Build with the real
// generator, which leaves project.log and project.data in the folder.
#include "FileBrowser.h"
#include "Main.h"
#include "ReportList.h"

#include "file_dialog.h"
#include "message_box.h"

#include "chain_project.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A person's double click: the first click selects and focuses, the second
// arrives as a double click.
void DoubleClick(QAbstractItemView* view, const QModelIndex& at) {
    const QPoint point = view->visualRect(at).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, point);
}

} // namespace

TEST(EditorSession, BuildsTheProject) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    TForm1 form;
    form.GeneratorFolder = CHAIN_DIST_DIR;
    form.show();
    QApplication::setActiveWindow(&form);

    // The browser opens in the current folder: the project's.
    for (const chain::Wave& wave : chain::kWaves) {
        ASSERT_TRUE(form.FileSel_File->SelectFile(wave.name)) << wave.name;
        DoubleClick(form.FileSel_File, form.FileSel_File->currentIndex());
    }
    ASSERT_EQ(form.List_File->ItemCount(), int(chain::kWaves.size()));

    for (const chain::Section& section : chain::kSections) {
        form.List_Section->SetItemIndex(section.number);
        for (const chain::Group& group : section.groups) {
            // A file added from the list is busy; the group popup clears it.
            DoubleClick(form.List_File, form.List_File->model()->index(int(group.wave), 0));
            if (group.busy) continue;
            form.List_Group->SetItemIndex(form.List_Group->ItemCount() - 1);
            form.PM_GroupEditPopup(nullptr);
            form.GL_Busy->trigger();
        }
        ASSERT_EQ(form.List_Group->ItemCount(), int(section.groups.size()));
        form.PM_SectionEditPopup(nullptr);
        (section.edge ? form.SE_Edge : form.SE_Level)->trigger();
        (section.hold ? form.SE_Hold : form.SE_UnHold)->trigger();
        (section.retrg ? form.SE_ReTrg : form.SE_NonReTrg)->trigger();
    }
    form.Menu_Mode_CPUP->trigger();
    form.Menu_Vout_DAC->trigger();

    dialogs.Choose(QDir::current().filePath("project.log"));
    form.Menu_Bulide->trigger();
    EXPECT_EQ(boxes.Transcript().join('\n').toStdString(), "Build: Success!");
}
