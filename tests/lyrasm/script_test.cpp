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
    form.AddFileRow(12345);
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
