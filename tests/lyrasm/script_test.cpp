// The script file: File > Save writes the project at fixed columns, File >
// Load reads it back, and the generator compiles what the editor saves.
#include "FileBrowser.h"
#include "Main.h"
#include "ReportList.h"
#include "StatusPanels.h"

#include "event_guard.h"
#include "file_dialog.h"
#include "message_box.h"

#include "test_support.h"

#include <QAction>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <optional>

#include <sys/resource.h>

using testsupport::TempDir;

static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

class Script : public ::testing::Test {
  protected:
    Script() {
        folder = QString::fromStdString(tmp.path());
        form.FileSel_Dir->SetDirectory(folder);
    }

    QString Path(const char* name) const { return folder + "/" + name; }

    void Wav(const char* name, size_t bytes, uint32_t rate = 8000) {
        testsupport::WavFormat format;
        format.rate = rate;
        testsupport::write_wav(tmp.file(name), std::vector<uint8_t>(bytes, 0x80), format);
    }

    // Adds a WAV file through the browser; returns its file id.
    int32_t AddFile(const char* name) {
        form.FileSel_File->Reload();
        EXPECT_TRUE(form.FileSel_File->SelectFile(name)) << name;
        emit form.FileSel_File->DblClick();
        return form.FileIdOfRow(form.List_File->ItemCount() - 1);
    }

    // File > Save into `name` of the test folder.
    void SaveAs(const char* name) {
        dialogs.Choose(Path(name));
        form.Menu_File_Save->trigger();
    }

    // The saved file's lines; every one must end in CR LF.
    QStringList Lines(const char* name) const {
        const std::string bytes = testsupport::read_file(tmp.file(name));
        EXPECT_TRUE(bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0);
        QStringList lines = QString::fromLocal8Bit(bytes).split("\r\n");
        lines.removeLast();
        for (const QString& line : lines) {
            EXPECT_FALSE(line.contains('\n') || line.contains('\r')) << line.toStdString();
        }
        return lines;
    }

    QStringList Texts() const {
        QStringList texts;
        for (const auto& b : boxes.Shown())
            texts << b.caption + ": " + b.text;
        return texts;
    }

    TempDir tmp;
    QString folder;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    TForm1 form;
};

const char* const kSeparator =
    ";=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-="
    "-=-=-=-=-=";

} // namespace

// ---------------------------------------------------------------------------
// Writer

TEST_F(Script, EmptyProjectGivesTheWholeSkeleton) {
    SaveAs("empty.log");
    EXPECT_TRUE(boxes.Shown().empty()) << Texts().join("\n").toStdString();
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].kind, platform::FileDialogKind::Save);
    EXPECT_EQ(dialogs.Shown()[0].filter, "KelvxxM Log File (*.log)|*.log");

    const QStringList lines = Lines("empty.log");
    ASSERT_EQ(lines.size(), 12 + 1 + 256 * 5);
    EXPECT_EQ(lines[0], ";" + QString(99, '='));
    EXPECT_EQ(lines[1], "; KelvxxM Standard Code Log File Ver: 1.0");
    EXPECT_EQ(lines[1].size(), 41);
    const QRegularExpression stamp(
        "^; {53}The file was built up at ([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d, "
        "\\d{4}/(0[1-9]|1[0-2])/(0[1-9]|[12]\\d|3[01])\\.$");
    EXPECT_TRUE(stamp.match(lines[2]).hasMatch()) << lines[2].toStdString();
    EXPECT_EQ(lines[2].size(), 100);
    EXPECT_EQ(lines[3], kSeparator);
    EXPECT_EQ(lines[3].size(), 100);
    EXPECT_EQ(lines.mid(4, 9), QStringList({
                                   ".Silence      DefSil    = 8",
                                   ".Global       $Rck      = 8000000",
                                   ".Global       $Encoder  = 5 \"EQ01\" 26",
                                   ".Global       $Offset   = 0000h",
                                   ".Global       $RampEn   = \"No\"",
                                   ".Global       $FuncCode = 16",
                                   ".Global       $SbtMax   = 0",
                                   kSeparator,
                                   kSeparator,
                               }));
    EXPECT_EQ(lines.mid(13, 5), QStringList({
                                    ".Section[  1] $Edge     = \"No\"",
                                    ".Section[  1] $Hold     = \"No\"",
                                    ".Section[  1] $ReTrg    = \"Yes\"",
                                    ".Section[  1] $Groups   = DefSil (8000) :0",
                                    ";" + QString(99, '-'),
                                }));
    EXPECT_EQ(lines[13 + 99 * 5], ".Section[100] $Edge     = \"No\"");
    EXPECT_EQ(lines.last(2)[0], ".Section[256] $Groups   = DefSil (8000) :0");
    EXPECT_EQ(lines.last().size(), 100);
}

TEST_F(Script, FilesGroupsAndSettingsLandInTheirColumns) {
    Wav("one.wav", 100, 8000);
    Wav("two.wav", 200, 22050);
    ASSERT_EQ(AddFile("one.wav"), 1);
    ASSERT_EQ(AddFile("two.wav"), 2);
    form.Sections[0].AddVoice(2, 22050, true);
    form.Sections[0].AddVoice(1, 8000, false);
    form.Sections[9].AddVoice(1, 123, true);
    form.List_Section->SetItemIndex(9);
    form.SE_EdgeClick(nullptr);
    form.SE_HoldClick(nullptr);
    form.SE_NonReTrgClick(nullptr);
    form.Menu_Vout_DAC->trigger();
    form.Menu_Mode_CPUS->trigger(); // the list shows N/A; the flags are written
    SaveAs("p.log");
    ASSERT_TRUE(boxes.Shown().empty()) << Texts().join("\n").toStdString();

    const QStringList lines = Lines("p.log");
    EXPECT_EQ(lines[8], ".Global       $RampEn   = \"Yes\"");
    EXPECT_EQ(lines[9], ".Global       $FuncCode = 80");
    EXPECT_EQ(lines[10], ".Global       $SbtMax   = 10");
    EXPECT_EQ(lines[12], ".PCM          V0001     = \"" + Path("one.wav") + "\"");
    EXPECT_EQ(lines[13], ".PCM          V0002     = \"" + Path("two.wav") + "\"");
    EXPECT_EQ(lines[14], kSeparator);
    EXPECT_EQ(lines.mid(15, 6), QStringList({
                                    ".Section[  1] $Edge     = \"No\"",
                                    ".Section[  1] $Hold     = \"No\"",
                                    ".Section[  1] $ReTrg    = \"Yes\"",
                                    ".Section[  1] $Groups   = V0002  (22050) :1",
                                    ".Section[  1] $Groups   = V0001  ( 8000) :0",
                                    ";" + QString(99, '-'),
                                }));
    // Section 10 comes after nine blocks of five lines and the one of six.
    const int at = 15 + 6 + 8 * 5;
    EXPECT_EQ(lines.mid(at, 4), QStringList({
                                    ".Section[ 10] $Edge     = \"Yes\"",
                                    ".Section[ 10] $Hold     = \"Yes\"",
                                    ".Section[ 10] $ReTrg    = \"No\"",
                                    ".Section[ 10] $Groups   = V0001  (  123) :1",
                                }));
    // Columns the loader relies on (1-based).
    const QString& group = lines[18];
    EXPECT_EQ(group.mid(9, 3), "  1");
    EXPECT_EQ(group.mid(14, 7), "$Groups");
    EXPECT_EQ(group.mid(26, 1), "V");
    EXPECT_EQ(group.mid(27, 4), "0002");
    EXPECT_EQ(group.mid(33, 7), "(22050)");
    EXPECT_EQ(group.mid(41, 2), ":1");
}

TEST_F(Script, ModesAndWideNumbersAreWrittenAsTheyAre) {
    const std::pair<QAction*, const char*> modes[] = {{form.Menu_Mode_Key, "16"},
                                                      {form.Menu_Mode_Seq, "32"},
                                                      {form.Menu_Mode_CPUP, "48"},
                                                      {form.Menu_Mode_MP3, "64"},
                                                      {form.Menu_Mode_CPUS, "80"}};
    for (const auto& [item, code] : modes) {
        item->trigger();
        SaveAs("m.log");
        boxes.Answer(platform::IDYES); // the next save replaces it
        EXPECT_EQ(Lines("m.log")[9], QStringLiteral(".Global       $FuncCode = ") + code);
    }

    // Ids past four digits and rates past five push the rest of the line.
    Wav("w.wav", 10);
    form.Files.AddWithId(12345, Path("w.wav"), 8000, 10);
    form.AddFileRow(form.Files.Items().back());
    form.Sections[255].AddVoice(12345, 192000, false);
    form.Sections[255].AddVoice(-7, 8000, true);
    SaveAs("m.log");
    const QStringList lines = Lines("m.log");
    EXPECT_EQ(lines[10], ".Global       $SbtMax   = 256");
    EXPECT_EQ(lines[12], ".PCM          V12345     = \"" + Path("w.wav") + "\"");
    EXPECT_EQ(lines[lines.size() - 3], ".Section[256] $Groups   = V12345  (192000) :0");
    EXPECT_EQ(lines[lines.size() - 2], ".Section[256] $Groups   = V-007  ( 8000) :1");
}

TEST_F(Script, ReplacingAFileIsAskedFirst) {
    testsupport::write_file(tmp.file("old.log"), "old");
    boxes.Answer(platform::IDNO);
    SaveAs("old.log");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text,
              "The File \"" + Path("old.log") + "\"Already Exists, Do You Want To Replace It?");
    EXPECT_EQ(boxes.Shown()[0].flags, 52);
    EXPECT_EQ(testsupport::read_file(tmp.file("old.log")), "old");

    boxes.Answer(platform::IDYES);
    SaveAs("old.log");
    EXPECT_EQ(Lines("old.log").size(), 12 + 1 + 256 * 5);

    dialogs.Cancel();
    form.Menu_File_Save->trigger();
    EXPECT_EQ(boxes.Shown().size(), 2u);
}

TEST_F(Script, AMissingOrChangedWavFileStopsTheSaveAndKeepsTheOldFile) {
    Wav("a.wav", 10);
    Wav("b.wav", 10);
    Wav("c.wav", 10);
    AddFile("a.wav");
    AddFile("b.wav");
    AddFile("c.wav");
    testsupport::write_file(tmp.file("p.log"), "old");

    std::filesystem::remove(tmp.file("b.wav"));
    testsupport::write_file(tmp.file("c.wav"), "not a wav"); // never looked at
    boxes.Answer(platform::IDYES);
    SaveAs("p.log");
    EXPECT_EQ(Texts(), QStringList({"WARNING: The File \"" + Path("p.log") +
                                        "\"Already Exists, Do You Want To Replace It?",
                                    "ERROR: The File: \"" + Path("b.wav") + "\" does not exist!"}));
    EXPECT_EQ(testsupport::read_file(tmp.file("p.log")), "old");

    testsupport::WavFormat wide;
    wide.bits = 16;
    testsupport::write_wav(tmp.file("b.wav"), {0, 0}, wide);
    boxes.Clear();
    EXPECT_FALSE(form.WriteScriptFile(Path("new.log")));
    EXPECT_EQ(Texts(), QStringList({"ERROR: The File: \"" + Path("b.wav") +
                                    "\" is Not A PCM, 8-BIT, MONO, WAVE File!"}));
    EXPECT_FALSE(testsupport::file_exists(tmp.file("new.log")));
    EXPECT_EQ(form.List_File->ItemCount(), 3); // the project is unchanged
}

TEST_F(Script, FailuresToCreateOrWriteAreReported) {
    EXPECT_FALSE(form.WriteScriptFile(Path("no/such/folder/p.log")));
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Create Log File!"}));

    // A row whose id is not a number is named, and the save ends at it.
    Wav("a.wav", 10);
    AddFile("a.wav");
    form.List_File->SetSubItem(0, 3, "?");
    boxes.Clear();
    bool returned = false;
    form.ApplicationEvents->Run(&form, [&] {
        form.WriteScriptFile(Path("q.log"));
        returned = true;
    });
    EXPECT_FALSE(returned);
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Build  File: a.wav"}));
    EXPECT_FALSE(testsupport::file_exists(tmp.file("q.log")));
    form.List_File->SetSubItem(0, 3, "1");

    // A write that fails part way (here: a file size limit) is no success,
    // and the former file stays whole.
    testsupport::write_file(tmp.file("p.log"), "old");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    boxes.Clear();
    const bool written = form.WriteScriptFile(Path("p.log"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Write Log File!"}));
    EXPECT_EQ(testsupport::read_file(tmp.file("p.log")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 2);
}

// ---------------------------------------------------------------------------
// Loader

namespace {

// A project with files, attributes, group entries with and without busy,
// and settings off their defaults.
class Loaded : public Script {
  protected:
    void MakeProject() {
        Wav("one.wav", 100, 8000);
        Wav("two.wav", 2000, 22050);
        Wav("three.wav", 300, 11025);
        for (const char* name : {"one.wav", "two.wav", "three.wav"})
            AddFile(name);
        form.List_File->SetItemIndex(0); // remove one: ids 2 and 3 stay
        form.FL_RemoveClick(nullptr);
        form.Sections[0].AddVoice(3, 11025, true);
        form.Sections[0].AddVoice(2, 22050, false);
        form.Sections[0].AddVoice(3, 11025, false);
        form.Sections[200].AddVoice(2, 22050, true);
        form.Sections[5].SetEdge(true);
        form.Sections[6].SetHold(true);
        form.Sections[7].SetReTrg(false);
        form.Menu_Vout_DAC->trigger();
        form.Menu_Mode_Seq->trigger();
    }

    // File > Load of `name` in the test folder.
    void LoadFrom(const char* name) {
        dialogs.Choose(Path(name));
        form.Menu_File_Load->trigger();
    }

    // Rewrites line `index` (0-based) of a saved file; an empty optional
    // drops it.
    void EditLine(const char* name, int index, const std::optional<QString>& text) {
        QStringList lines = Lines(name);
        if (text)
            lines[index] = *text;
        else
            lines.removeAt(index);
        testsupport::write_file(tmp.file(name),
                                (lines.join("\r\n") + "\r\n").toLocal8Bit().toStdString());
    }

    // Everything a script file keeps, as text.
    QString Project() const {
        QStringList s;
        s << QString("vout %1 mode %2")
                 .arg(form.Menu_Vout_DAC->isChecked())
                 .arg(form.Menu_Mode_Key->isChecked()    ? "key"
                      : form.Menu_Mode_Seq->isChecked()  ? "seq"
                      : form.Menu_Mode_CPUP->isChecked() ? "cpup"
                      : form.Menu_Mode_CPUS->isChecked() ? "cpus"
                                                         : "mp3");
        for (int r = 0; r < form.List_File->ItemCount(); ++r)
            s << form.List_File->Caption(r) + " " + form.List_File->SubItem(r, 0) + " " +
                     form.List_File->SubItem(r, 1) + " " + form.List_File->SubItem(r, 3);
        for (const FileStruce& f : form.Files.Items())
            s << QString("file %1 %2 %3 %4").arg(f.Id).arg(f.Path).arg(f.Rate).arg(f.Size);
        for (int i = 0; i < 256; ++i) {
            const Section& sec = form.Sections[i];
            QString line = QString("%1:%2%3%4")
                               .arg(i)
                               .arg(sec.GetEdge())
                               .arg(sec.GetHold())
                               .arg(sec.GetReTrg());
            VocTb v{};
            for (int j = 0; sec.GetVoice(j, v); ++j)
                line += QString(" %1/%2/%3").arg(v.FileId).arg(v.Rate).arg(v.Busy);
            s << line;
        }
        s << QString("used %1").arg(form.Usage.GetUsed());
        return s.join("\n");
    }

    void ExpectEmptyProject() {
        EXPECT_EQ(form.Files.Count(), 0);
        EXPECT_EQ(form.List_File->ItemCount(), 0);
        EXPECT_EQ(form.List_Group->ItemCount(), 0);
        EXPECT_EQ(form.Usage.GetUsed(), 66608);
        EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 66608 / 4194304 (1%)");
        for (const Section& s : form.Sections) {
            EXPECT_TRUE(s.IsEmpty());
            EXPECT_FALSE(s.GetEdge() || s.GetHold() || !s.GetReTrg());
        }
    }
};

} // namespace

TEST_F(Loaded, SaveLoadSaveGivesTheSameFile) {
    MakeProject();
    SaveAs("a.log");
    const QString before = Project();

    // Load into a project that holds something else.
    form.Menu_Vout_PWM->trigger();
    form.Menu_Mode_MP3->trigger();
    Wav("other.wav", 5000);
    AddFile("other.wav");
    form.Sections[9].AddVoice(1, 8000, true);
    form.List_Section->SetItemIndex(0);
    LoadFrom("a.log");
    EXPECT_TRUE(boxes.Shown().empty()) << Texts().join("\n").toStdString();
    EXPECT_EQ(Project(), before);
    EXPECT_EQ(form.StatusBar->PanelText(1), "Mode: Sequential");
    EXPECT_EQ(form.StatusBar->PanelText(2), "Vout: DAC");
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 68908 / 4194304 (1%)");
    EXPECT_EQ(form.List_Section->ItemIndex(), 0);
    EXPECT_EQ(form.List_Section->SubItem(5, 0), "Edge");
    EXPECT_EQ(form.List_Group->ItemCount(), 3);
    EXPECT_EQ(form.List_Group->SubItem(1, 1), "X");

    SaveAs("b.log");
    QStringList a = Lines("a.log"), b = Lines("b.log");
    ASSERT_EQ(a.size(), b.size());
    a.removeAt(2);
    b.removeAt(2);
    EXPECT_EQ(a, b);

    // The next file added takes the id after the loaded ones.
    Wav("four.wav", 10);
    EXPECT_EQ(AddFile("four.wav"), 4);
}

TEST_F(Loaded, TheFirstFourLinesMayHoldAnything) {
    MakeProject();
    SaveAs("a.log");
    const QString before = Project();
    for (int i = 0; i < 4; ++i)
        EditLine("a.log", i, "; whatever " + QString::number(i));
    form.ClearProject();
    LoadFrom("a.log");
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Project(), before);
}

TEST_F(Loaded, DamagedFilesLeaveAnEmptyProject) {
    MakeProject();
    SaveAs("good.log");
    const QStringList good = Lines("good.log");
    const int firstSection = 12 + 2 + 1; // two voice lines and the separator
    struct Case {
        const char* what;
        int line;
        std::optional<QString> text;
    };
    const Case cases[] = {
        {"trailing blank on line 5", 4, good[4] + " "},
        {"other $Rck", 5, ".Global       $Rck      = 8000001"},
        {"RampEn neither Y nor N", 8, ".Global       $RampEn   = \"Maybe\""},
        {"unknown mode", 9, ".Global       $FuncCode = 17"},
        {"blank line among the voices", 12, QString()},
        {"voice id 0", 12, ".PCM          V0000     = \"" + Path("two.wav") + "\""},
        {"voice line of a missing file", 12,
         ".PCM          V0002     = \"" + Path("gone.wav") + "\""},
        {"blank line among the sections", firstSection + 3, QString()},
        {"section 0", firstSection, ".Section[  0] $Edge     = \"No\""},
        {"section 257", firstSection, ".Section[257] $Edge     = \"No\""},
        {"section without alignment", firstSection, ".Section[1] $Edge     = \"No\""},
        {"edge neither Y nor N", firstSection, ".Section[  1] $Edge     = \"no\""},
        {"unknown option", firstSection, ".Section[  1] $Edgy     = \"No\""},
        {"group rate 0", firstSection + 3, ".Section[  1] $Groups   = V0003  (    0) :1"},
        {"group busy 2", firstSection + 3, ".Section[  1] $Groups   = V0003  (11025) :2"},
        {"group id of five digits", firstSection + 3,
         ".Section[  1] $Groups   = V10003  (11025) :1"},
        {"group rate of six digits", firstSection + 3,
         ".Section[  1] $Groups   = V0003  (192000) :1"},
        {"a line past the length limit", firstSection + 4, ";" + QString(9000, '-')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::write_file(tmp.file("bad.log"),
                                (good.join("\r\n") + "\r\n").toLocal8Bit().toStdString());
        EditLine("bad.log", c.line, c.text);
        form.Menu_Vout_PWMClick(nullptr);
        form.Menu_Mode_KeyClick(nullptr);
        boxes.Clear();
        LoadFrom("bad.log");
        EXPECT_EQ(Texts(), QStringList({"ERROR: This log file is damage!"}));
        ExpectEmptyProject();
        // Lines 9 and 10 take effect when they hold a valid value.
        EXPECT_EQ(form.Menu_Vout_DAC->isChecked(), c.line != 8);
        EXPECT_EQ(form.Menu_Mode_Seq->isChecked(), c.line != 9);
    }
}

TEST_F(Loaded, ShortFilesAndOtherLineEnds) {
    MakeProject();
    SaveAs("a.log");
    QStringList lines = Lines("a.log");

    // Ending right after the voice lines: the files, and default sections.
    testsupport::write_file(tmp.file("short.log"),
                            (lines.mid(0, 14).join("\r\n") + "\r\n").toStdString());
    LoadFrom("short.log");
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(form.Files.Count(), 2);
    EXPECT_TRUE(form.Sections[0].IsEmpty());
    EXPECT_EQ(form.Usage.GetUsed(), 66608 + 2300);

    // Line feeds alone, and a last line without one, read the same.
    const QString before = [&] {
        LoadFrom("a.log");
        return Project();
    }();
    form.ClearProject();
    testsupport::write_file(tmp.file("lf.log"), lines.join("\n").toLocal8Bit().toStdString());
    LoadFrom("lf.log");
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(Project(), before);

    // An empty file is damaged; a file cut inside the settings too.
    testsupport::write_file(tmp.file("empty.log"), "");
    LoadFrom("empty.log");
    EXPECT_EQ(Texts(), QStringList({"ERROR: This log file is damage!"}));
    ExpectEmptyProject();
}

TEST_F(Loaded, ProjectWithoutFilesAndGroupsLoadsEmpty) {
    SaveAs("empty.log");
    EXPECT_EQ(Lines("empty.log")[12], kSeparator);
    Wav("x.wav", 10);
    AddFile("x.wav");
    form.Sections[3].AddVoice(1, 8000, true);
    LoadFrom("empty.log");
    EXPECT_TRUE(boxes.Shown().empty());
    ExpectEmptyProject();
}

TEST_F(Loaded, OpenFailuresAndCancelLeaveTheProject) {
    MakeProject();
    const QString before = Project();
    dialogs.Cancel();
    form.Menu_File_Load->trigger();
    EXPECT_TRUE(boxes.Shown().empty());

    std::filesystem::create_directories(tmp.file("folder.log"));
    for (const char* name : {"missing.log", "folder.log"}) {
        boxes.Clear();
        LoadFrom(name);
        EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Open File: \"" + Path(name) + "\""}));
    }
    EXPECT_EQ(Project(), before);
    EXPECT_EQ(dialogs.Shown().back().kind, platform::FileDialogKind::Open);
    EXPECT_EQ(dialogs.Shown().back().default_ext, ".log");
}

TEST_F(Loaded, GroupOfAnUndefinedVoiceIsKeptAndTheUsageStillShown) {
    MakeProject();
    SaveAs("a.log");
    EditLine("a.log", 15 + 3, ".Section[  1] $Groups   = V0009  ( 8000) :1");
    form.List_Section->SetItemIndex(0);
    LoadFrom("a.log");
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(form.Sections[0].Count(), 3);
    EXPECT_EQ(form.List_Group->ItemCount(), 1); // the rows end at the unknown voice
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 68908 / 4194304 (1%)");
}

TEST_F(Loaded, LongPathsAndTwinIdsLoad) {
    // A path far past 226 bytes: the writer writes it, the loader reads it.
    const std::string deep = tmp.file(std::string(120, 'd') + "/" + std::string(120, 'e'));
    std::filesystem::create_directories(deep);
    testsupport::write_wav(deep + "/long.wav", std::vector<uint8_t>(10, 0x80));
    form.FileSel_Dir->SetDirectory(QString::fromStdString(deep));
    ASSERT_TRUE(form.FileSel_File->SelectFile("long.wav"));
    emit form.FileSel_File->DblClick();
    form.Sections[0].AddVoice(1, 8000, true);
    SaveAs("long.log");
    ASSERT_GT(Lines("long.log")[12].toLocal8Bit().size(), 255);
    const QString before = Project();
    form.ClearProject();
    LoadFrom("long.log");
    EXPECT_TRUE(boxes.Shown().empty()) << Texts().join("\n").toStdString();
    EXPECT_EQ(Project(), before);

    // Two voice lines of one id are both taken; each row shows its own file.
    Wav("a.wav", 10);
    Wav("b.wav", 20);
    QStringList lines = Lines("long.log");
    lines[12] = ".PCM          V0001     = \"" + Path("a.wav") + "\"";
    lines.insert(13, ".PCM          V0001     = \"" + Path("b.wav") + "\"");
    testsupport::write_file(tmp.file("twins.log"),
                            (lines.join("\r\n") + "\r\n").toLocal8Bit().toStdString());
    LoadFrom("twins.log");
    EXPECT_TRUE(boxes.Shown().empty());
    ASSERT_EQ(form.List_File->ItemCount(), 2);
    EXPECT_EQ(form.List_File->Caption(1), "b.wav");
    EXPECT_EQ(form.List_File->SubItem(1, 1), "20");
    EXPECT_EQ(form.Usage.GetUsed(), 66608 + 30);
}

// ---------------------------------------------------------------------------
// The generator takes what the editor saves

TEST_F(Loaded, SavedProjectsCompile) {
    const std::string tessor = std::string(LYRASM_DIST_DIR) + "bin/tessor";
    ASSERT_TRUE(testsupport::file_exists(tessor));

    // The start project: no files, every section silent.
    SaveAs("empty.log");
    auto run = testsupport::run_program({tessor, tmp.file("empty.log"), tmp.file("empty.data")});
    EXPECT_EQ(run.status, 0) << run.out << run.err;

    // A loaded project with attributes, busy flags, gaps between sections
    // and settings off their defaults, saved again.
    MakeProject();
    form.Sections[255].AddVoice(2, 22050, false);
    form.Menu_Mode_CPUS->trigger();
    SaveAs("p.log");
    form.ClearProject();
    LoadFrom("p.log");
    ASSERT_TRUE(boxes.Shown().empty()) << Texts().join("\n").toStdString();
    boxes.Answer(platform::IDYES);
    SaveAs("p.log");
    run = testsupport::run_program({tessor, tmp.file("p.log"), tmp.file("p.data")});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_GT(std::filesystem::file_size(tmp.file("p.data")), 2300u);
}
