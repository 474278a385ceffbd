// Pictures of the window, rendered offscreen into the build folder, for a
// person to look at; each checks what a person would look for in it: every
// caption whole and every menu item shown.
#include "FileBrowser.h"
#include "Main.h"
#include "ReportList.h"
#include "StatusPanels.h"

#include "message_box.h"

#include "test_support.h"
#include "window_captions.h"
#include "window_sheet.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

QString ShotPath(const char* name) {
    QDir().mkpath(QStringLiteral(LYRASM_SHOT_DIR));
    return QStringLiteral(LYRASM_SHOT_DIR "/") + QLatin1String(name);
}

// The status bar paints its panels' texts itself, each in its text area.
std::string CutCaptions(TForm1& form) {
    QList<testsupport::PaintedText> panels;
    for (int i = 0; i < form.StatusBar->PanelCount(); ++i)
        panels << testsupport::PaintedText{form.StatusBar, form.StatusBar->PanelText(i),
                                           form.StatusBar->PanelTextRect(i),
                                           Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine};
    return testsupport::cut_captions(form, panels);
}

} // namespace

TEST(WindowPicture, RendersStartStateToPng) {
    TForm1 form;
    form.show();
    ASSERT_TRUE(form.grab().save(ShotPath("lyrasm-main.png")));
    EXPECT_EQ(CutCaptions(form), "");

    // Each choice of the settings menus names itself in a panel.
    for (QMenu* menu : {form.Menu_Device, form.Menu_Mode, form.Menu_Vout})
        for (QAction* item : menu->actions()) {
            item->trigger();
            EXPECT_EQ(CutCaptions(form), "") << item->text().toStdString();
        }
}

TEST(WindowPicture, RendersFilledListsAndMenusToPng) {
    TForm1 form;
    form.show();
    // Rows as the file and group commands will make them.
    form.List_File->AddItem("hello.wav", {"8000", "40000", "1.0%", "1"});
    form.List_File->AddItem("a much longer voice name.wav", {"22050", "123456", "2.9%", "2"});
    form.List_Group->AddItem("hello.wav", {"8000", "O"});
    form.List_Group->AddItem("a much longer voice name.wav", {"22050", "X"});
    form.List_Section->SetItemIndex(2);
    form.Usage.Add(4194304);
    form.ShowUsage();
    form.StatusBar->SetPanelText(4, "Building...");
    // The menus beside the window, as they open.
    const QPixmap sheet =
        testsupport::window_sheet(form, {form.Menu_Device, form.Menu_Mode, form.PM_SectionEdit,
                                         form.PM_GroupEdit, form.About1});
    ASSERT_TRUE(sheet.save(ShotPath("lyrasm-filled.png")));
    EXPECT_EQ(CutCaptions(form), "");
    ASSERT_TRUE(form.windowIcon().pixmap(64).save(ShotPath("lyrasm-icon.png")));
}

TEST(WindowPicture, RendersAnEditedProjectToPng) {
    testsupport::TempDir tmp;
    platform::ScriptedMessageBoxes boxes;
    const std::pair<const char*, uint32_t> voices[] = {
        {"welcome.wav", 8000}, {"door chime.wav", 11025}, {"alarm.wav", 16000}};
    size_t samples = 24000;
    for (const auto& [name, rate] : voices) {
        testsupport::WavFormat format;
        format.rate = rate;
        testsupport::write_wav(tmp.file(name), std::vector<uint8_t>(samples, 0x80), format);
        samples += 30000;
    }
    testsupport::write_file(tmp.file("notes.wav"), "not a wave");

    TForm1 form;
    form.show();
    form.FileSel_Dir->SetDirectory(QString::fromStdString(tmp.path()));
    for (const auto& [name, rate] : voices) {
        ASSERT_TRUE(form.FileSel_File->SelectFile(name));
        form.FileSel_FileDblClick(form.FileSel_File);
    }
    // Section 2: all three voices, the middle one not busy; section 0 Edge.
    form.SE_EdgeClick(nullptr);
    form.List_Section->SetItemIndex(2);
    form.SE_HoldClick(nullptr);
    QApplication::setActiveWindow(&form);
    for (int row : {0, 1, 2}) {
        form.List_File->SetItemIndex(row);
        form.List_File->setFocus();
        form.List_FileDblClick(form.List_File);
    }
    ASSERT_EQ(form.Sections[2].Count(), 3);
    form.List_Group->SetItemIndex(1);
    form.GL_BusyClick(nullptr);
    form.List_Group->SetItemIndex(1);
    form.Menu_Vout_DACClick(nullptr);
    form.Menu_Mode_SeqClick(nullptr);
    ASSERT_TRUE(form.FileSel_File->SelectFile("alarm.wav"));
    EXPECT_TRUE(boxes.Shown().empty());
    ASSERT_TRUE(form.grab().save(ShotPath("lyrasm-edited.png")));
    EXPECT_EQ(CutCaptions(form), "");
}
