// Editing a project in the window: files from the browser into the file list
// and out again, the section attributes, and the group lists.
#include "FileBrowser.h"
#include "Main.h"
#include "ReportList.h"
#include "StatusPanels.h"

#include "message_box.h"

#include "qstring_print.h"
#include "test_support.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A person's double click: the first click selects and focuses, the second
// arrives as a double click (QTest sends only the latter).
void DoubleClick(QAbstractItemView* view, const QModelIndex& at) {
    const QPoint point = view->visualRect(at).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, point);
}

class Editing : public ::testing::Test {
  protected:
    Editing() {
        form.show();
        QApplication::setActiveWindow(&form);
        form.FileSel_Dir->SetDirectory(QString::fromStdString(tmp.path()));
    }

    void Wav(const char* name, size_t bytes, testsupport::WavFormat format = {}) {
        testsupport::write_wav(tmp.file(name), std::vector<uint8_t>(bytes, 0x80), format);
    }

    // Double-clicks `name` in the browser's file box.
    void Browse(const char* name) {
        form.FileSel_File->Reload();
        ASSERT_TRUE(form.FileSel_File->SelectFile(name)) << name;
        DoubleClick(form.FileSel_File, form.FileSel_File->currentIndex());
    }

    QStringList Row(ReportList* list, int row) const {
        QStringList texts{list->Caption(row)};
        for (int k = 0; k + 1 < list->columnCount(); ++k)
            texts << list->SubItem(row, k);
        return texts;
    }

    QStringList GroupRows() const {
        QStringList rows;
        for (int r = 0; r < form.List_Group->ItemCount(); ++r)
            rows << Row(form.List_Group, r).join("|");
        return rows;
    }

    QStringList Texts() const { return boxes.Transcript(); }

    testsupport::TempDir tmp;
    platform::ScriptedMessageBoxes boxes;
    TForm1 form;
};

} // namespace

TEST_F(Editing, BrowserAddsEightBitMonoFilesOnlyAndOnce) {
    Wav("hello.wav", 40000);
    Browse("hello.wav");
    ASSERT_EQ(form.List_File->ItemCount(), 1);
    EXPECT_EQ(Row(form.List_File, 0), QStringList({"hello.wav", "8000", "40000",
                                                   QLocale().toString(1.0, 'f', 1) + "%", "1"}));
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 106608 / 4194304 (2%)");

    testsupport::WavFormat wide;
    wide.bits = 16;
    Wav("wide.wav", 100, wide);
    // A LIST chunk before the data moves "data" away from offset 36.
    std::string listed = testsupport::wav_bytes(std::vector<uint8_t>(50, 0x80));
    listed.insert(36, std::string("LIST\4\0\0\0abcd", 12));
    testsupport::write_file(tmp.file("listed.wav"), listed);
    // A data size of 2 GiB or more reads negative and would lower the usage.
    testsupport::WavFormat huge;
    huge.data_size_override = 0x80000000;
    Wav("huge.wav", 10, huge);

    Browse("wide.wav");
    Browse("listed.wav");
    Browse("huge.wav");
    Browse("hello.wav");
    form.FileSel_File->clearSelection();
    emit form.FileSel_File->DblClick();
    const QString notPcm = "ERROR: This File Is Not A PCM, 8-BIT, MONO, WAVE File!";
    EXPECT_EQ(Texts(),
              QStringList({notPcm, notPcm, "ERROR: The Data Size Of This File Is Too Large!",
                           "WARNING: This File Already Exists In File List!", notPcm}));
    EXPECT_EQ(form.List_File->ItemCount(), 1);
    EXPECT_EQ(form.Files.Count(), 1);
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 106608 / 4194304 (2%)");
}

TEST_F(Editing, RemovingAFileTakesItOutOfEveryGroupList) {
    Wav("a.wav", 1000);
    Wav("b.wav", 2000);
    Browse("a.wav");
    Browse("b.wav");
    for (int s : {3, 7, 200})
        form.Sections[s].AddVoice(1, 8000, true);
    form.Sections[7].AddVoice(2, 8000, false);
    form.Sections[7].AddVoice(1, 8000, false);
    form.List_Section->SetItemIndex(7);

    form.PM_FileEditPopup(nullptr);
    EXPECT_FALSE(form.FL_Remove->isEnabled()); // no row selected
    form.List_File->SetItemIndex(0);
    form.PM_FileEditPopup(nullptr);
    EXPECT_TRUE(form.FL_Remove->isEnabled());
    form.FL_Remove->trigger();
    EXPECT_TRUE(form.Sections[3].IsEmpty() && form.Sections[200].IsEmpty());
    EXPECT_EQ(GroupRows(), QStringList({"b.wav|8000|X"}));
    EXPECT_EQ(Row(form.List_File, 0).last(), "2");
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 68608 / 4194304 (1%)");

    // The highest id freed is given again.
    form.List_File->SetItemIndex(0);
    form.FL_RemoveClick(nullptr);
    Browse("b.wav");
    EXPECT_EQ(Row(form.List_File, 0).last(), "1");

    form.List_File->SetItemIndex(0);
    form.List_File->SetSubItem(0, 3, "x1");
    form.FL_RemoveClick(nullptr);
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Remove This File!"}));
    EXPECT_EQ(form.Usage.GetUsed(), 66608 + 2000);
}

TEST_F(Editing, RemovingOneOfTwinRowsRemovesTheWholeVoice) {
    // Only a loaded script can list one id twice; both rows are voice V0004.
    form.Files.AddWithId(4, "/x/a.wav", 8000, 1000);
    form.Files.AddWithId(4, "/x/b.wav", 8000, 3000);
    form.AddFileRow(form.Files.Items()[0]);
    form.AddFileRow(form.Files.Items()[1]);
    form.Usage.Add(4000);
    form.List_File->SetItemIndex(1);
    form.FL_RemoveClick(nullptr);
    EXPECT_EQ(form.List_File->ItemCount(), 0);
    EXPECT_EQ(form.Files.Count(), 0);
    EXPECT_EQ(form.Usage.GetUsed(), 66608);
}

TEST_F(Editing, RemoveAndClicksBesideTheRowsLeaveNoRowPicked) {
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        Wav(name, 10);
        Browse(name);
    }
    form.Sections[0].AddVoice(1, 8000, true);
    form.Sections[0].AddVoice(2, 8000, true);
    form.RefreshGroupList();
    // A right click as the window system delivers it: the press, then the
    // request for the popup; the release goes to the open popup.
    auto rightClick = [](ReportList* list, QPoint at) {
        QTest::mousePress(list->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &request);
        list->PopupMenu()->hide();
    };
    auto pick = [](ReportList* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row, 0)).center());
    };
    auto besideTheRows = [](ReportList* list) {
        return QPoint(100, list->viewport()->height() - 5);
    };
    ReportList* files = form.List_File;

    pick(files, 0);
    rightClick(files, files->visualItemRect(files->item(0, 0)).center());
    ASSERT_TRUE(form.FL_Remove->isEnabled());
    form.FL_Remove->trigger();
    EXPECT_EQ(files->ItemCount(), 2);
    EXPECT_EQ(files->ItemIndex(), -1);
    rightClick(files, besideTheRows(files));
    EXPECT_FALSE(form.FL_Remove->isEnabled());

    pick(files, 0);
    rightClick(files, besideTheRows(files));
    EXPECT_EQ(files->ItemIndex(), -1);
    EXPECT_FALSE(form.FL_Remove->isEnabled());

    pick(form.List_Group, 0);
    rightClick(form.List_Group, besideTheRows(form.List_Group));
    EXPECT_EQ(form.List_Group->ItemIndex(), -1);
    EXPECT_FALSE(form.GL_Remove->isEnabled());
}

TEST_F(Editing, SectionPopupsEditOneRowOrAllAfterAsking) {
    DoubleClick(form.List_Section, form.List_Section->model()->index(5, 0));
    ASSERT_TRUE(form.PM_SectionEdit->isVisible());
    EXPECT_TRUE(form.SE_Level->isChecked() && form.SE_UnHold->isChecked() &&
                form.SE_ReTrg->isChecked());
    form.PM_SectionEdit->close();
    form.SE_Edge->trigger();
    form.SE_NonReTrg->trigger();
    EXPECT_EQ(Row(form.List_Section, 5),
              QStringList({"Section 5", "Edge", "UnHoldable", "Non-Retrigger"}));
    EXPECT_EQ(Row(form.List_Section, 4),
              QStringList({"Section 4", "Level", "UnHoldable", "Retrigger"}));
    form.PM_SectionEditPopup(nullptr);
    EXPECT_TRUE(form.SE_Edge->isChecked() && form.SE_NonReTrg->isChecked());

    // Without a selected section the popup has nothing to edit.
    form.List_Section->SetItemIndex(-1);
    form.List_SectionDblClick(nullptr);
    form.SE_HoldClick(nullptr);
    QApplication::processEvents();
    EXPECT_FALSE(form.PM_SectionEdit->isVisible());
    EXPECT_FALSE(form.Sections[5].GetHold());

    // The headers of the attribute columns open their set-all popups.
    QHeaderView* header = form.List_Section->horizontalHeader();
    QMenu* const popups[] = {nullptr, form.PM_SetAllMenu_Edge, form.PM_SetAllMenu_Hold,
                             form.PM_SetAllMenu_ReTrg};
    for (int column = 0; column < 4; ++column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, 5));
        for (QMenu* menu : popups)
            if (menu) {
                EXPECT_EQ(menu->isVisible(), menu == popups[column]) << column;
                menu->close();
            }
    }

    boxes.Answer(platform::IDNO);
    form.PM_SetAll_Level->trigger();
    EXPECT_EQ(Texts(),
              QStringList({"WARNING: All sections will be set to \"Level\", are you sure?"}));
    EXPECT_TRUE(form.Sections[5].GetEdge());
    // In CPU Serial mode the flags change while the rows keep "N/A".
    form.Menu_Mode_CPUS->trigger();
    form.PM_SetAll_Hold->trigger();
    EXPECT_EQ(Row(form.List_Section, 9).mid(1), QStringList({"N/A", "N/A", "N/A"}));
    form.Menu_Mode_Key->trigger();
    for (int row : {0, 5, 255})
        EXPECT_EQ(Row(form.List_Section, row)[2], "Holdable");
}

TEST_F(Editing, GroupListEditing) {
    for (const char* name : {"A.wav", "B.wav", "C.wav"}) {
        Wav(name, 10, {11025});
        Browse(name);
    }
    form.List_Section->SetItemIndex(3);
    // A real double click on a file row adds it, busy; twice gives two rows.
    for (int i = 0; i < 2; ++i)
        DoubleClick(form.List_File, form.List_File->model()->index(0, 0));
    EXPECT_EQ(GroupRows(), QStringList({"A.wav|11025|O", "A.wav|11025|O"}));
    // Only with the focus in the list, and with a readable id.
    form.List_File->SetItemIndex(1);
    form.List_Section->setFocus();
    emit form.List_File->DblClick();
    form.List_File->setFocus();
    form.List_File->SetSubItem(1, 3, "");
    emit form.List_File->DblClick();
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Add This File!"}));
    EXPECT_EQ(form.Sections[3].Count(), 2);
    form.List_Section->SetItemIndex(4);
    EXPECT_EQ(form.List_Group->ItemCount(), 0);

    form.Sections[4].AddVoice(1, 8000, true);
    form.Sections[4].AddVoice(2, 8000, true);
    form.Sections[4].AddVoice(3, 8000, true);
    form.RefreshGroupList();
    auto names = [&] {
        QString n;
        for (int r = 0; r < form.List_Group->ItemCount(); ++r)
            n += form.List_Group->Caption(r).left(1);
        return n;
    };
    auto enabled = [&](int row) {
        form.List_Group->SetItemIndex(row);
        form.PM_GroupEditPopup(nullptr);
        QString e;
        for (QAction* a : {form.GL_Remove, form.GL_Up, form.GL_Down, form.GL_Busy})
            e += a->isEnabled() ? "1" : "0";
        return e;
    };
    EXPECT_EQ(enabled(-1), "0000");
    EXPECT_EQ(enabled(0), "1011");
    EXPECT_EQ(enabled(2), "1101");
    EXPECT_EQ(enabled(1), "1111");
    EXPECT_TRUE(form.GL_Busy->isChecked());
    form.GL_Up->trigger();
    EXPECT_EQ(names(), "BAC");
    EXPECT_EQ(form.List_Group->ItemIndex(), -1);
    form.List_Group->SetItemIndex(1);
    form.GL_Down->trigger();
    EXPECT_EQ(names(), "BCA");
    form.List_Group->SetItemIndex(2);
    form.GL_Busy->trigger();
    EXPECT_EQ(GroupRows()[2], "A.wav|8000|X");
    EXPECT_EQ(enabled(2), "1101");
    EXPECT_FALSE(form.GL_Busy->isChecked());
    form.GL_Remove->trigger();
    EXPECT_EQ(names(), "BC");

    // An entry whose file the list lacks (from a loaded script) ends the rows.
    form.Sections[4].AddVoice(9, 8000, true);
    form.Sections[4].AddVoice(1, 8000, true);
    form.RefreshGroupList();
    EXPECT_EQ(GroupRows().mid(2), QStringList({"||"}));
    EXPECT_EQ(form.Sections[4].Count(), 4);
}
