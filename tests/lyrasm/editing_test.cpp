// Editing a project in the window: files from the browser into the file list
// and out again, the section attributes, and the group lists.
#include "FileBrowser.h"
#include "Main.h"
#include "ReportList.h"
#include "StatusPanels.h"

#include "message_box.h"

#include "test_support.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

using testsupport::TempDir;

// Readable failures for Qt strings.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// A person's double click: the first click selects and focuses, the second
// arrives as a double click (QTest sends only the latter).
void DoubleClick(QWidget* viewport, const QPoint& at) {
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
}

class Editing : public ::testing::Test {
  protected:
    Editing() {
        folder = QString::fromStdString(tmp.path());
        form.FileSel_Dir->SetDirectory(folder);
    }

    // Writes an 8-bit mono WAV file of `bytes` samples into the test folder.
    void Wav(const char* name, size_t bytes, testsupport::WavFormat format = {}) {
        testsupport::write_wav(tmp.file(name), std::vector<uint8_t>(bytes, 0x80), format);
        form.FileSel_File->Reload();
    }

    // Double-clicks `name` in the browser's file box, as a person would.
    void Browse(const char* name) {
        form.FileSel_File->Reload();
        ASSERT_TRUE(form.FileSel_File->SelectFile(name)) << name;
        QWidget* box = form.FileSel_File->viewport();
        const QRect at = form.FileSel_File->visualItemRect(form.FileSel_File->currentItem());
        DoubleClick(box, at.center());
    }

    // Double-clicks row `row` of List_File with the list focused.
    void AddToGroup(int row) {
        form.List_File->SetItemIndex(row);
        form.List_File->setFocus();
        emit form.List_File->DblClick();
    }

    QStringList FileRow(int row) const {
        QStringList texts{form.List_File->Caption(row)};
        for (int k = 0; k < 4; ++k)
            texts << form.List_File->SubItem(row, k);
        return texts;
    }

    QStringList GroupRows() const {
        QStringList rows;
        for (int r = 0; r < form.List_Group->ItemCount(); ++r)
            rows << form.List_Group->Caption(r) + "|" + form.List_Group->SubItem(r, 0) + "|" +
                        form.List_Group->SubItem(r, 1);
        return rows;
    }

    QStringList SectionRow(int row) const {
        return {form.List_Section->SubItem(row, 0), form.List_Section->SubItem(row, 1),
                form.List_Section->SubItem(row, 2)};
    }

    QStringList Texts() const {
        QStringList texts;
        for (const auto& b : boxes.Shown())
            texts << b.caption + ": " + b.text;
        return texts;
    }

    void Show() {
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    TempDir tmp;
    QString folder;
    platform::ScriptedMessageBoxes boxes;
    TForm1 form;
};

} // namespace

// ---------------------------------------------------------------------------
// File browser and file list

TEST_F(Editing, BrowserAddsAFileWithItsRowAndUsage) {
    Wav("hello.wav", 40000);
    Browse("hello.wav");
    EXPECT_TRUE(boxes.Shown().empty()) << Texts().join("\n").toStdString();
    ASSERT_EQ(form.List_File->ItemCount(), 1);
    QLocale locale;
    EXPECT_EQ(FileRow(0),
              QStringList({"hello.wav", "8000", "40000", locale.toString(1.0, 'f', 1) + "%", "1"}));
    EXPECT_EQ(form.Files.GetPath(1), folder + "/hello.wav");
    EXPECT_EQ(form.Usage.GetUsed(), 66608 + 40000);
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 106608 / 4194304 (2%)");
    EXPECT_EQ(form.List_File->ItemIndex(), -1); // the new row is not selected
    for (const Section& s : form.Sections)
        EXPECT_TRUE(s.IsEmpty());
}

TEST_F(Editing, BrowserRefusesWhatIsNotAnEightBitMonoPcmFile) {
    testsupport::WavFormat wide;
    wide.bits = 16;
    testsupport::WavFormat stereo;
    stereo.channels = 2;
    Wav("wide.wav", 100, wide);
    Wav("stereo.wav", 100, stereo);
    // A LIST chunk before the data moves "data" away from offset 36.
    std::string listed = testsupport::wav_bytes(std::vector<uint8_t>(50, 0x80));
    listed.insert(36, std::string("LIST\4\0\0\0abcd", 12));
    testsupport::write_file(tmp.file("listed.wav"), listed);
    testsupport::write_file(tmp.file("short.wav"), "RIFF");

    for (const char* name : {"wide.wav", "stereo.wav", "listed.wav", "short.wav"}) {
        SCOPED_TRACE(name);
        boxes.Clear();
        Browse(name);
        EXPECT_EQ(Texts(), QStringList({"ERROR: This File Is Not A PCM, 8-BIT, MONO, WAVE File!"}));
    }
    // A double click with nothing selected (a folder without WAV files).
    boxes.Clear();
    form.FileSel_File->clearSelection();
    emit form.FileSel_File->DblClick();
    EXPECT_EQ(Texts(), QStringList({"ERROR: This File Is Not A PCM, 8-BIT, MONO, WAVE File!"}));

    EXPECT_EQ(form.List_File->ItemCount(), 0);
    EXPECT_EQ(form.Files.Count(), 0);
    EXPECT_EQ(form.Usage.GetUsed(), 66608);
}

TEST_F(Editing, BrowserRefusesADataSizeThatReadsNegative) {
    // 0x80000000 and more would be a negative size and lower the usage meter.
    for (int64_t size : {int64_t{0x80000000}, int64_t{0xFFFFFFFF}}) {
        testsupport::WavFormat huge;
        huge.data_size_override = size;
        Wav("huge.wav", 10, huge);
        boxes.Clear();
        Browse("huge.wav");
        EXPECT_EQ(Texts(), QStringList({"ERROR: The Data Size Of This File Is Too Large!"}));
    }
    EXPECT_EQ(form.Files.Count(), 0);
    EXPECT_EQ(form.Usage.GetUsed(), 66608);

    // The largest positive size is taken as it stands, past the chip's end.
    testsupport::WavFormat big;
    big.data_size_override = 0x7FFFFFFF;
    Wav("big.wav", 10, big);
    boxes.Clear();
    Browse("big.wav");
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(form.Usage.GetUsed(), 66608 + int64_t{0x7FFFFFFF});
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 2147550255 / 4194304 (51201%)");
}

TEST_F(Editing, SameFileTwiceIsWarnedAndChangesNothing) {
    Wav("a.wav", 1000);
    Browse("a.wav");
    const QString usage = form.StatusBar->PanelText(3);
    Browse("a.wav");
    EXPECT_EQ(Texts(), QStringList({"WARNING: This File Already Exists In File List!"}));
    EXPECT_EQ(form.List_File->ItemCount(), 1);
    EXPECT_EQ(form.Files.Count(), 1);
    EXPECT_EQ(form.StatusBar->PanelText(3), usage);
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
    EXPECT_EQ(form.List_Group->ItemCount(), 3);

    form.List_File->SetItemIndex(0);
    form.FL_Remove->trigger();
    EXPECT_TRUE(boxes.Shown().empty());
    for (int s : {3, 200})
        EXPECT_TRUE(form.Sections[s].IsEmpty());
    EXPECT_EQ(form.Sections[7].Count(), 1);
    EXPECT_EQ(GroupRows(), QStringList({"b.wav|8000|X"}));
    ASSERT_EQ(form.List_File->ItemCount(), 1);
    EXPECT_EQ(FileRow(0)[4], "2");
    EXPECT_EQ(form.Files.Count(), 1);
    EXPECT_EQ(form.Usage.GetUsed(), 66608 + 2000);
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 68608 / 4194304 (1%)");

    // The highest id freed is given again; a lower one would not be.
    form.List_File->SetItemIndex(0);
    form.FL_RemoveClick(nullptr);
    Browse("b.wav");
    EXPECT_EQ(FileRow(0)[4], "1");
    EXPECT_EQ(form.Usage.GetUsed(), 66608 + 2000);
}

TEST_F(Editing, RemoveNeedsARowWithAFileId) {
    form.PM_FileEditPopup(nullptr);
    EXPECT_FALSE(form.FL_Remove->isEnabled());

    Wav("a.wav", 1000);
    Browse("a.wav");
    form.List_File->SetItemIndex(0);
    form.PM_FileEditPopup(nullptr);
    EXPECT_TRUE(form.FL_Remove->isEnabled());

    form.List_File->SetSubItem(0, 3, "x1");
    form.FL_RemoveClick(nullptr);
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Remove This File!"}));
    EXPECT_EQ(form.List_File->ItemCount(), 1);
    EXPECT_EQ(form.Usage.GetUsed(), 66608 + 1000);
}

TEST_F(Editing, RemovingOneOfTwinRowsRemovesTheVoiceEntirely) {
    // Only a loaded script can list one id twice; both rows are one voice.
    Wav("a.wav", 1000);
    Wav("b.wav", 3000);
    form.Files.AddWithId(4, folder + "/a.wav", 8000, 1000);
    form.Files.AddWithId(4, folder + "/b.wav", 8000, 3000);
    form.AddFileRow(form.Files.Items()[0]);
    form.AddFileRow(form.Files.Items()[1]);
    form.Usage.Add(4000);
    form.Sections[0].AddVoice(4, 8000, true);

    form.List_File->SetItemIndex(1);
    form.FL_RemoveClick(nullptr);
    EXPECT_EQ(form.List_File->ItemCount(), 0);
    EXPECT_EQ(form.Files.Count(), 0);
    EXPECT_EQ(form.Usage.GetUsed(), 66608);
    EXPECT_TRUE(form.Sections[0].IsEmpty());
}

TEST_F(Editing, NumberFieldsReadLikeTheScriptFile) {
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {{"12", 12},
                          {"  0012", 12},
                          {"-5", -5},
                          {"+7", 7},
                          {"12 ", -1},
                          {"", -1},
                          {"   ", -1},
                          {"1a", -1},
                          {"-", -1},
                          {"0x10", -1},
                          {"2147483647", INT32_MAX},
                          {"2147483648", -1},
                          {"-2147483648", INT32_MIN},
                          {"99999999999999999999", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(TForm1::StrToIntDef(c.text, -1), c.value) << c.text;
}

// ---------------------------------------------------------------------------
// Section list

TEST_F(Editing, SectionPopupEditsOnlyTheSelectedRow) {
    Show();
    const QRect row5 = form.List_Section->visualRect(form.List_Section->model()->index(5, 0));
    DoubleClick(form.List_Section->viewport(), row5.center());
    EXPECT_EQ(form.List_Section->ItemIndex(), 5);
    ASSERT_TRUE(form.PM_SectionEdit->isVisible());
    EXPECT_TRUE(form.SE_Level->isChecked());
    EXPECT_TRUE(form.SE_UnHold->isChecked());
    EXPECT_TRUE(form.SE_ReTrg->isChecked());
    form.PM_SectionEdit->close();

    form.SE_Edge->trigger();
    form.SE_Hold->trigger();
    form.SE_NonReTrg->trigger();
    EXPECT_EQ(SectionRow(5), QStringList({"Edge", "Holdable", "Non-Retrigger"}));
    EXPECT_TRUE(form.Sections[5].GetEdge());
    EXPECT_TRUE(form.Sections[5].GetHold());
    EXPECT_FALSE(form.Sections[5].GetReTrg());
    for (int other : {4, 6})
        EXPECT_EQ(SectionRow(other), QStringList({"Level", "UnHoldable", "Retrigger"}));

    // The check marks follow the stored flags the next time it opens.
    form.PM_SectionEditPopup(nullptr);
    EXPECT_TRUE(form.SE_Edge->isChecked());
    EXPECT_FALSE(form.SE_Level->isChecked());
    EXPECT_TRUE(form.SE_NonReTrg->isChecked());

    form.SE_LevelClick(nullptr);
    form.SE_UnHoldClick(nullptr);
    form.SE_ReTrgClick(nullptr);
    EXPECT_EQ(SectionRow(5), QStringList({"Level", "UnHoldable", "Retrigger"}));
    EXPECT_FALSE(form.Sections[5].GetEdge());
}

TEST_F(Editing, WithoutASelectedSectionNothingIsEdited) {
    Show();
    form.List_Section->SetItemIndex(-1);
    form.List_SectionDblClick(nullptr);
    EXPECT_FALSE(form.PM_SectionEdit->isVisible());
    form.SE_EdgeClick(nullptr);
    for (const Section& s : form.Sections)
        EXPECT_FALSE(s.GetEdge());
    EXPECT_EQ(form.List_Group->ItemCount(), 0);

    // A right click may still open the popup; it closes again at once.
    form.PM_SectionEdit->popup(QPoint(10, 10));
    QApplication::processEvents();
    EXPECT_FALSE(form.PM_SectionEdit->isVisible());
}

TEST_F(Editing, ColumnHeadersOpenTheirSetAllPopup) {
    Show();
    QHeaderView* header = form.List_Section->horizontalHeader();
    QMenu* const popups[] = {nullptr, form.PM_SetAllMenu_Edge, form.PM_SetAllMenu_Hold,
                             form.PM_SetAllMenu_ReTrg};
    for (int column = 0; column < 4; ++column) {
        SCOPED_TRACE(column);
        const int x = header->sectionViewportPosition(column) + 10;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
        for (QMenu* menu : popups)
            if (menu) {
                EXPECT_EQ(menu->isVisible(), menu == popups[column]);
                menu->close();
            }
    }
}

TEST_F(Editing, SetAllAsksFirstAndWorksInEveryMode) {
    boxes.Answer(platform::IDNO);
    form.PM_SetAll_Edge->trigger();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "All sections will be set to \"Edge\", are you sure?");
    EXPECT_EQ(boxes.Shown()[0].flags, 52);
    for (const Section& s : form.Sections)
        EXPECT_FALSE(s.GetEdge());

    form.Menu_Mode_CPUS->trigger();
    boxes.Answer(platform::IDYES);
    form.PM_SetAll_Edge->trigger();
    for (const Section& s : form.Sections)
        EXPECT_TRUE(s.GetEdge());
    EXPECT_EQ(SectionRow(17), QStringList({"N/A", "N/A", "N/A"}));
    form.Menu_Mode_Key->trigger();
    for (int row : {0, 17, 255})
        EXPECT_EQ(SectionRow(row), QStringList({"Edge", "UnHoldable", "Retrigger"}));

    struct Case {
        QAction* item;
        const char* word;
        int column;
        const char* shown;
    };
    const Case cases[] = {
        {form.PM_SetAll_Hold, "Holdable", 1, "Holdable"},
        {form.PM_SetAll_UnHold, "UnHoldable", 1, "UnHoldable"},
        {form.PM_SetAll_NonReTrg, "Non-Retrigger", 2, "Non-Retrigger"},
        {form.PM_SetAll_ReTrg, "Retrigger", 2, "Retrigger"},
        {form.PM_SetAll_Level, "Level", 0, "Level"},
    };
    form.Sections[9].AddVoice(1, 8000, true); // with or without group entries
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        boxes.Clear();
        c.item->trigger();
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text,
                  QStringLiteral("All sections will be set to \"") + c.word + "\", are you sure?");
        for (int row : {0, 9, 255})
            EXPECT_EQ(SectionRow(row)[c.column], c.shown);
    }
    EXPECT_EQ(form.Sections[9].Count(), 1);
}

TEST_F(Editing, SerialModePopupShowsStoredFlagsGreyed) {
    form.List_Section->SetItemIndex(2);
    form.SE_EdgeClick(nullptr);
    form.Menu_Mode_MP3->trigger();
    form.PM_SectionEditPopup(nullptr);
    EXPECT_TRUE(form.SE_Edge->isChecked());
    EXPECT_TRUE(form.SE_UnHold->isChecked());
    for (QAction* item : {form.SE_Edge, form.SE_Level, form.SE_Hold, form.SE_UnHold, form.SE_ReTrg,
                          form.SE_NonReTrg})
        EXPECT_FALSE(item->isEnabled());
}

// ---------------------------------------------------------------------------
// Group lists

TEST_F(Editing, DoubleClickedFileJoinsTheSelectedSection) {
    Show();
    Wav("a.wav", 1000, {11025});
    Browse("a.wav");
    const QString usage = form.StatusBar->PanelText(3);
    form.List_Section->SetItemIndex(3);

    // A real double click on the row: it selects and focuses the list.
    const QRect row0 = form.List_File->visualRect(form.List_File->model()->index(0, 0));
    DoubleClick(form.List_File->viewport(), row0.center());
    AddToGroup(0);
    EXPECT_EQ(GroupRows(), QStringList({"a.wav|11025|O", "a.wav|11025|O"}));
    EXPECT_EQ(form.Sections[3].Count(), 2);
    EXPECT_EQ(form.StatusBar->PanelText(3), usage);
    EXPECT_TRUE(boxes.Shown().empty());

    // Another section shows its own list; the former one keeps its entries.
    form.List_Section->SetItemIndex(4);
    EXPECT_EQ(form.List_Group->ItemCount(), 0);
    form.List_Section->SetItemIndex(3);
    EXPECT_EQ(form.List_Group->ItemCount(), 2);
}

TEST_F(Editing, DoubleClickAddsOnlyWithFocusSelectionAndAnId) {
    Show();
    Wav("a.wav", 1000);
    Browse("a.wav");
    form.List_File->SetItemIndex(0);
    form.List_Section->setFocus();
    emit form.List_File->DblClick();
    EXPECT_TRUE(form.Sections[0].IsEmpty());

    form.List_File->SetItemIndex(-1);
    form.List_File->setFocus();
    emit form.List_File->DblClick();
    EXPECT_TRUE(form.Sections[0].IsEmpty());

    form.List_Section->SetItemIndex(-1);
    AddToGroup(0);
    EXPECT_TRUE(form.Sections[0].IsEmpty());

    form.List_Section->SetItemIndex(0);
    form.List_File->SetSubItem(0, 3, "");
    AddToGroup(0);
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Add This File!"}));
    EXPECT_TRUE(form.Sections[0].IsEmpty());
}

TEST_F(Editing, GroupPopupMovesTogglesAndRemovesEntries) {
    Wav("A.wav", 10);
    Wav("B.wav", 10);
    Wav("C.wav", 10);
    for (const char* name : {"A.wav", "B.wav", "C.wav"})
        Browse(name);
    for (int32_t id : {1, 2, 3})
        form.Sections[0].AddVoice(id, 8000, true);
    form.RefreshGroupList();

    auto names = [&] {
        QStringList n;
        for (int r = 0; r < form.List_Group->ItemCount(); ++r)
            n << form.List_Group->Caption(r).left(1);
        return n.join("");
    };
    auto enabled = [&] {
        form.PM_GroupEditPopup(nullptr);
        QString e;
        for (QAction* a : {form.GL_Remove, form.GL_Up, form.GL_Down, form.GL_Busy})
            e += a->isEnabled() ? "1" : "0";
        return e;
    };

    EXPECT_EQ(enabled(), "0000"); // no row selected
    form.List_Group->SetItemIndex(1);
    EXPECT_EQ(enabled(), "1111");
    form.GL_Up->trigger();
    EXPECT_EQ(names(), "BAC");
    EXPECT_EQ(form.List_Group->ItemIndex(), -1);
    form.List_Group->SetItemIndex(0);
    EXPECT_EQ(enabled(), "1011");
    form.GL_Down->trigger();
    EXPECT_EQ(names(), "ABC");
    form.List_Group->SetItemIndex(2);
    EXPECT_EQ(enabled(), "1101");

    // Busy flips the flag; the popup's check mark follows the row.
    form.List_Group->SetItemIndex(2);
    form.PM_GroupEditPopup(nullptr);
    EXPECT_TRUE(form.GL_Busy->isChecked());
    form.GL_Busy->trigger();
    EXPECT_EQ(GroupRows()[2], "C.wav|8000|X");
    EXPECT_FALSE(form.Sections[0].GetBusy(2));
    form.List_Group->SetItemIndex(2);
    form.PM_GroupEditPopup(nullptr);
    EXPECT_FALSE(form.GL_Busy->isChecked());
    form.GL_BusyClick(nullptr);
    EXPECT_EQ(GroupRows()[2], "C.wav|8000|O");

    // Direct calls at the ends change nothing.
    form.List_Group->SetItemIndex(0);
    form.GL_UpClick(nullptr);
    form.List_Group->SetItemIndex(2);
    form.GL_DownClick(nullptr);
    EXPECT_EQ(names(), "ABC");

    form.List_Group->SetItemIndex(1);
    form.GL_Remove->trigger();
    EXPECT_EQ(names(), "AC");
    form.Sections[0].RemoveVoice(1);
    form.RefreshGroupList();
    form.List_Group->SetItemIndex(0);
    EXPECT_EQ(enabled(), "1001");
    form.GL_RemoveClick(nullptr);
    EXPECT_EQ(form.List_Group->ItemCount(), 0);
    EXPECT_TRUE(form.Sections[0].IsEmpty());
}

TEST_F(Editing, GroupEntryOfAnUnknownFileEndsTheRowsThere) {
    Wav("a.wav", 10);
    Browse("a.wav");
    form.Sections[0].AddVoice(1, 8000, true);
    form.Sections[0].AddVoice(9, 22050, false); // no such file
    form.Sections[0].AddVoice(1, 8000, false);
    form.RefreshGroupList();
    EXPECT_EQ(GroupRows(), QStringList({"a.wav|8000|O", "||"}));
    EXPECT_EQ(form.Sections[0].Count(), 3);
    EXPECT_TRUE(boxes.Shown().empty());
}
