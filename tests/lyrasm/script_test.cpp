// The script file: File > Save writes the project at fixed columns, File >
// Load reads it back, and the generator compiles what the editor saves.
#include "FileBrowser.h"
#include "Main.h"
#include "ReportList.h"
#include "StatusPanels.h"

#include "code_page.h"
#include "event_guard.h"
#include "file_dialog.h"
#include "message_box.h"

#include "ordinary_user.h"
#include "qstring_print.h"
#include "test_support.h"

#include <QAction>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSeparator = ";" + QString("=-").repeated(49) + "=";
const QString kSectionRule = ";" + QString(99, '-');

using testsupport::AsOrdinaryUser;

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

    // Adds a WAV file through the browser.
    void AddFile(const char* name) {
        form.FileSel_File->Reload();
        ASSERT_TRUE(form.FileSel_File->SelectFile(name)) << name;
        emit form.FileSel_File->DblClick();
    }

    // Files with ids 2 and 3 (1 was removed), attributes, group entries with
    // and without busy, Vout and Mode off their defaults.
    void MakeProject() {
        Wav("one.wav", 100, 8000);
        Wav("two.wav", 2000, 22050);
        Wav("three.wav", 300, 11025);
        for (const char* name : {"one.wav", "two.wav", "three.wav"})
            AddFile(name);
        form.List_File->SetItemIndex(0);
        form.FL_RemoveClick(nullptr);
        form.Sections[0].AddVoice(3, 11025, true);
        form.Sections[0].AddVoice(2, 22050, false);
        form.Sections[9].AddVoice(2, 22050, true);
        form.Sections[5].SetEdge(true);
        form.Sections[6].SetHold(true);
        form.Sections[7].SetReTrg(false);
        form.Menu_Vout_DAC->trigger();
        form.Menu_Mode_Seq->trigger();
    }

    void SaveAs(const char* name) {
        dialogs.Choose(Path(name));
        form.Menu_File_Save->trigger();
    }

    void LoadFrom(const char* name) {
        dialogs.Choose(Path(name));
        form.Menu_File_Load->trigger();
    }

    // The lines of a saved file; every one must end in CR LF.
    QStringList Lines(const char* name) const {
        const std::string bytes = testsupport::read_file(tmp.file(name));
        EXPECT_TRUE(bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0);
        QStringList lines = QString::fromLocal8Bit(bytes).split("\r\n");
        lines.removeLast();
        for (const QString& line : lines)
            EXPECT_FALSE(line.contains('\n') || line.contains('\r'));
        return lines;
    }

    // Bytes a line holds as escapes (U+DC80 to U+DCFF) go out as they are.
    void Write(const char* name, const QStringList& lines) {
        testsupport::write_file(tmp.file(name),
                                platform::to_file_name(lines.join("\r\n") + "\r\n").toStdString());
    }

    // Everything a script file keeps, as text.
    QString Project() const {
        QStringList s;
        s << form.StatusBar->PanelText(1) + form.StatusBar->PanelText(2) +
                 form.StatusBar->PanelText(3);
        for (int r = 0; r < form.List_File->ItemCount(); ++r)
            for (int k = -1; k < 4; ++k)
                s << form.List_File->SubItem(r, k);
        for (const FileStruce& f : form.Files.Items())
            s << QString("%1 %2 %3 %4").arg(f.Id).arg(f.Path).arg(f.Rate).arg(f.Size);
        for (const Section& sec : form.Sections) {
            s << QString("%1%2%3").arg(sec.GetEdge()).arg(sec.GetHold()).arg(sec.GetReTrg());
            VocTb v{};
            for (int j = 0; sec.GetVoice(j, v); ++j)
                s.last() += QString(" %1/%2/%3").arg(v.FileId).arg(v.Rate).arg(v.Busy);
        }
        return s.join("\n");
    }

    void ExpectEmptyProject() {
        EXPECT_EQ(form.Files.Count() + form.List_File->ItemCount() + form.List_Group->ItemCount(),
                  0);
        EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 66608 / 4194304 (1%)");
        for (const Section& s : form.Sections)
            EXPECT_TRUE(s.IsEmpty() && !s.GetEdge() && !s.GetHold() && s.GetReTrg());
    }

    QStringList Texts() const { return boxes.Transcript(); }

    // The box that refuses a file whose path the script file cannot carry.
    static QString Refusal(const QString& path, const char* why) {
        return "ERROR: The File: \"" + path + "\" can't be saved in a log file: its path holds " +
               why + "!";
    }

    testsupport::TempDir tmp;
    QString folder;
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    TForm1 form;
};

} // namespace

// ---------------------------------------------------------------------------
// Writer

TEST_F(Script, EmptyProjectGivesTheWholeSkeleton) {
    SaveAs("empty.log");
    ASSERT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(dialogs.Shown()[0].kind, platform::FileDialogKind::Save);
    const QStringList lines = Lines("empty.log");
    ASSERT_EQ(lines.size(), 12 + 1 + 256 * 5);
    const QRegularExpression stamp("^; {53}The file was built up at ([01]\\d|2[0-3]):[0-5]\\d:"
                                   "[0-5]\\d, \\d{4}/(0[1-9]|1[0-2])/(0[1-9]|[12]\\d|3[01])\\.$");
    EXPECT_TRUE(stamp.match(lines[2]).hasMatch()) << lines[2].toStdString();
    EXPECT_EQ(lines.mid(0, 2),
              QStringList({";" + QString(99, '='), "; KelvxxM Standard Code Log File Ver: 1.0"}));
    EXPECT_EQ(
        lines.mid(3, 15),
        QStringList({kSeparator, ".Silence      DefSil    = 8", ".Global       $Rck      = 8000000",
                     ".Global       $Encoder  = 5 \"EQ01\" 26", ".Global       $Offset   = 0000h",
                     ".Global       $RampEn   = \"No\"", ".Global       $FuncCode = 16",
                     ".Global       $SbtMax   = 0", kSeparator, kSeparator,
                     ".Section[  1] $Edge     = \"No\"", ".Section[  1] $Hold     = \"No\"",
                     ".Section[  1] $ReTrg    = \"Yes\"",
                     ".Section[  1] $Groups   = DefSil (8000) :0", kSectionRule}));
    EXPECT_EQ(lines[13 + 99 * 5], ".Section[100] $Edge     = \"No\"");
    EXPECT_EQ(lines[lines.size() - 2], ".Section[256] $Groups   = DefSil (8000) :0");
}

TEST_F(Script, FilesGroupsAndSettingsLandInTheirColumns) {
    MakeProject();
    form.Menu_Mode_CPUS->trigger(); // the list shows N/A; the flags are still written
    // Ids past four digits and rates past five push the rest of the line.
    Wav("w.wav", 10);
    form.Files.AddWithId(12345, Path("w.wav"), 8000, 10);
    form.AddFileRow(form.Files.Items().back());
    form.Sections[255].AddVoice(12345, 192000, false);
    SaveAs("p.log");
    ASSERT_TRUE(boxes.Shown().empty()) << Texts().join("\n").toStdString();

    const QStringList lines = Lines("p.log");
    EXPECT_EQ(lines.mid(8, 7),
              QStringList({".Global       $RampEn   = \"Yes\"", ".Global       $FuncCode = 80",
                           ".Global       $SbtMax   = 256", kSeparator,
                           ".PCM          V0002     = \"" + Path("two.wav") + "\"",
                           ".PCM          V0003     = \"" + Path("three.wav") + "\"",
                           ".PCM          V12345     = \"" + Path("w.wav") + "\""}));
    EXPECT_EQ(lines.mid(18, 3), QStringList({".Section[  1] $ReTrg    = \"Yes\"",
                                             ".Section[  1] $Groups   = V0003  (11025) :1",
                                             ".Section[  1] $Groups   = V0002  (22050) :0"}));
    EXPECT_EQ(lines[16 + 5 * 5 + 1], ".Section[  6] $Edge     = \"Yes\"");
    EXPECT_EQ(lines[16 + 9 * 5 + 1 + 3], ".Section[ 10] $Groups   = V0002  (22050) :1");
    EXPECT_EQ(lines[lines.size() - 2], ".Section[256] $Groups   = V12345  (192000) :0");

    const std::pair<QAction*, const char*> modes[] = {
        {form.Menu_Mode_Key, "16"}, {form.Menu_Mode_CPUP, "48"}, {form.Menu_Mode_MP3, "64"}};
    for (const auto& [item, code] : modes) {
        item->trigger();
        form.WriteScriptFile(Path("m.log"));
        EXPECT_EQ(Lines("m.log")[9], QStringLiteral(".Global       $FuncCode = ") + code);
    }

    // Section 1 alone plays; sections 6 to 8 only have their flags changed.
    form.Sections[9].Reset();
    form.Sections[255].Reset();
    form.WriteScriptFile(Path("m.log"));
    EXPECT_EQ(Lines("m.log")[10], ".Global       $SbtMax   = 1");
}

TEST_F(Script, FailedSavesKeepTheFormerFile) {
    Wav("a.wav", 10);
    Wav("b.wav", 10);
    AddFile("a.wav");
    AddFile("b.wav");
    testsupport::write_file(tmp.file("p.log"), "old");
    boxes.Answer(platform::IDNO);
    SaveAs("p.log");
    EXPECT_EQ(Texts(), QStringList({"WARNING: The File \"" + Path("p.log") +
                                    "\"Already Exists, Do You Want To Replace It?"}));

    std::filesystem::remove(tmp.file("a.wav"));
    boxes.Clear();
    SaveAs("p.log"); // answered Yes
    EXPECT_EQ(Texts().last(), "ERROR: The File: \"" + Path("a.wav") + "\" does not exist!");
    testsupport::WavFormat wide;
    wide.bits = 16;
    testsupport::write_wav(tmp.file("a.wav"), {0, 0}, wide);
    boxes.Clear();
    EXPECT_FALSE(form.WriteScriptFile(Path("p.log")));
    EXPECT_EQ(Texts(), QStringList({"ERROR: The File: \"" + Path("a.wav") +
                                    "\" is Not A PCM, 8-BIT, MONO, WAVE File!"}));
    Wav("a.wav", 10);

    // A write that fails part way (here at a file size limit) is no success.
    auto writeCut = [&](const char* name) {
        rlimit saved{};
        EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = form.WriteScriptFile(Path(name));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        return written;
    };
    boxes.Clear();
    EXPECT_FALSE(writeCut("p.log"));
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Write Log File!"}));
    EXPECT_EQ(testsupport::read_file(tmp.file("p.log")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), 3);

    // A new file made to replace the former one goes again when the replace
    // fails: over a read-only file, cut short at the size limit; and in a
    // sticky folder, where only the owner of a file may replace it, made and
    // written but not renamed over root's file (run as root only).
    const struct {
        const char* folder;
        mode_t folderMode, fileMode;
        bool cut;
    } replaces[] = {{"open", 0777, 0444, true}, {"sticky", 01777, 0666, false}};
    ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
    for (const auto& r : replaces) {
        if (!r.cut && ::geteuid() != 0) continue;
        SCOPED_TRACE(r.folder);
        const std::string file = std::string(r.folder) + "/p.log";
        std::filesystem::create_directories(tmp.file(r.folder));
        testsupport::write_file(tmp.file(file), "old");
        ASSERT_EQ(::chmod(tmp.file(r.folder).c_str(), r.folderMode), 0);
        ASSERT_EQ(::chmod(tmp.file(file).c_str(), r.fileMode), 0);
        boxes.Clear();
        {
            AsOrdinaryUser user;
            EXPECT_FALSE(r.cut ? writeCut(file.c_str()) : form.WriteScriptFile(Path(file.c_str())));
        }
        EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Write Log File!"}));
        EXPECT_EQ(testsupport::read_file(tmp.file(file)), "old");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.file(r.folder)), {}), 1);
    }

    boxes.Clear();
    EXPECT_FALSE(form.WriteScriptFile(Path("no/folder/p.log")));
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Create Log File!"}));
    // A name outside the code page (a byte that is not UTF-8, as the browser
    // shows it) is refused rather than written under another name.
    const auto entries = std::distance(std::filesystem::directory_iterator(tmp.path()), {});
    boxes.Clear();
    dialogs.Choose(folder + "/p" + QChar(0xDCE9) + ".log");
    form.Menu_File_Save->trigger();
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Create Log File!"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.path()), {}), entries);

    // A row whose id is not a number is named, and the save ends there.
    form.List_File->SetSubItem(1, 3, "?");
    boxes.Clear();
    form.ApplicationEvents->Run(&form, [&] { form.WriteScriptFile(Path("q.log")); });
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Build  File: b.wav"}));
    EXPECT_FALSE(testsupport::file_exists(tmp.file("q.log")));
}

TEST_F(Script, SavesOverFilesThatCanBeReplaced) {
    // A writable file in a folder that takes no new file, and read-only
    // files in a folder that does, one of them reached through a link.
    for (const char* where : {"locked", "open"}) {
        std::filesystem::create_directories(tmp.file(where));
        testsupport::write_file(tmp.file(std::string(where) + "/p.log"), "old");
    }
    testsupport::write_file(tmp.file("open/q.log"), "old");
    std::filesystem::create_symlink("q.log", tmp.file("open/link.log"));
    ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(tmp.file("locked").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(tmp.file("locked/p.log").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(tmp.file("open").c_str(), 0777), 0);
    ASSERT_EQ(::chmod(tmp.file("open/p.log").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(tmp.file("open/q.log").c_str(), 0444), 0);
    AsOrdinaryUser user;
    for (const char* name : {"locked/p.log", "open/p.log", "open/link.log"}) {
        SCOPED_TRACE(name);
        boxes.Clear();
        SaveAs(name); // answered Yes
        EXPECT_EQ(Texts().size(), 1);
        EXPECT_EQ(Lines(name).size(), 12 + 1 + 256 * 5);
    }
    // The link stays, and the file it leads to holds the script.
    EXPECT_TRUE(std::filesystem::is_symlink(tmp.file("open/link.log")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.file("open")), {}), 3);
}

// ---------------------------------------------------------------------------
// Loader

TEST_F(Script, SaveLoadSaveGivesTheSameFile) {
    MakeProject();
    SaveAs("a.log");
    const QString before = Project();
    QStringList lines = Lines("a.log");
    for (int i = 0; i < 4; ++i) // the first four lines may hold anything
        lines[i] = "; whatever";
    Write("a.log", lines);

    // Loaded over another project, whose files leave the usage meter.
    form.Menu_Vout_PWM->trigger();
    form.Menu_Mode_MP3->trigger();
    Wav("other.wav", 5000);
    AddFile("other.wav");
    form.Sections[9].AddVoice(1, 8000, true);
    LoadFrom("a.log");
    EXPECT_TRUE(boxes.Shown().empty()) << Texts().join("\n").toStdString();
    EXPECT_EQ(Project().toStdString(), before.toStdString());
    EXPECT_EQ(form.List_Section->SubItem(5, 0), "Edge");
    EXPECT_EQ(form.List_Group->ItemCount(), 2); // section 0 stays selected

    SaveAs("b.log"); // a new name: no question
    QStringList a = Lines("a.log"), b = Lines("b.log");
    EXPECT_EQ(a.mid(4), b.mid(4));

    // A file of lines ending in LF alone, the last without one, reads the same.
    testsupport::write_file(tmp.file("lf.log"), a.join("\n").toLocal8Bit().toStdString());
    form.ClearProject();
    LoadFrom("lf.log");
    EXPECT_EQ(Project().toStdString(), before.toStdString());
    Wav("four.wav", 10);
    AddFile("four.wav");
    EXPECT_EQ(form.Files.Items().back().Id, 4);
}

TEST_F(Script, DamagedFilesLeaveAnEmptyProject) {
    MakeProject();
    SaveAs("good.log");
    const QStringList good = Lines("good.log");
    testsupport::WavFormat huge;
    huge.data_size_override = 0x80000000;
    testsupport::write_wav(tmp.file("huge.wav"), std::vector<uint8_t>(10, 0x80), huge);
    Wav("caf\xEF\xBF\xBD.wav", 10, 11025);
    const int sec = 12 + 2 + 1; // the first section line
    const std::pair<int, QString> cases[] = {
        // Past the line limit, in a line the loader otherwise skips.
        {1, ";" + QString(9000, '=')},
        {4, good[4] + " "},
        {4, QChar(0xFEFF) + good[4]}, // a byte-order mark is a character of the line
        {8, ".Global       $RampEn   = \"Maybe\""},
        {9, ".Global       $FuncCode = 17"},
        {12, ""}, // a blank line among the voices
        {12, ".PCM          V0000     = \"" + Path("two.wav") + "\""},
        {12, ".PCM          V0002     = \"" + Path("gone.wav") + "\""},
        // A data size of 2 GiB or more, which the browser refuses as well.
        {12, ".PCM          V0002     = \"" + Path("huge.wav") + "\""},
        // "café.wav" in Latin-1 names no file, least of all its twin whose
        // name holds the replacement character.
        {12, ".PCM          V0002     = \"" + Path("caf") + QChar(0xDCE9) + ".wav\""},
        // The editor itself writes an id of five digits, one column further.
        {12, ".PCM          V10002     = \"" + Path("two.wav") + "\""},
        {sec + 3, ""},
        {sec, ".Section[  0] $Edge     = \"No\""},
        {sec, ".Section[257] $Edge     = \"No\""},
        {sec, ".Section[1] $Edge     = \"No\""},
        {sec, ".Section[  1] $Edgy     = \"No\""},
        {sec + 3, ".Section[  1] $Groups   = V0003  (    0) :1"},
        {sec + 3, ".Section[  1] $Groups   = V0003  (11025) :2"},
        {sec + 3, ".Section[  1] $Groups   = V10003  (11025) :1"},
        {sec + 5, ";" + QString(9000, '-')},
    };
    for (const auto& [line, text] : cases) {
        QStringList lines = good;
        lines[line] = text;
        Write("bad.log", lines);
        form.Menu_Vout_PWMClick(nullptr);
        form.Menu_Mode_KeyClick(nullptr);
        boxes.Clear();
        LoadFrom("bad.log");
        SCOPED_TRACE(line);
        EXPECT_EQ(Texts(), QStringList({"ERROR: This log file is damage!"}));
        ExpectEmptyProject();
        // Lines 9 and 10 take effect when they hold a valid value.
        EXPECT_EQ(form.Menu_Vout_DAC->isChecked(), line != 8);
        EXPECT_EQ(form.Menu_Mode_Seq->isChecked(), line != 9);
    }
    testsupport::write_file(tmp.file("bad.log"), "");
    boxes.Clear();
    LoadFrom("bad.log");
    EXPECT_EQ(Texts(), QStringList({"ERROR: This log file is damage!"}));

    // The message comes with the voices it had read already gone from the
    // list; the usage text is rebuilt only once the message is closed.
    QStringList lines = good;
    lines[sec + 3] = "";
    Write("bad.log", lines);
    AddFile("one.wav");
    QString usageAtMessage;
    int rowsAtMessage = -1;
    auto previous = platform::set_message_box_responder([&](const platform::MessageBoxRequest&) {
        usageAtMessage = form.StatusBar->PanelText(3);
        rowsAtMessage = form.List_File->ItemCount() + form.List_Group->ItemCount();
        return platform::IDOK;
    });
    LoadFrom("bad.log");
    platform::set_message_box_responder(std::move(previous));
    EXPECT_EQ(rowsAtMessage, 0);
    EXPECT_EQ(usageAtMessage, "Usage: 66708 / 4194304 (1%)");
    ExpectEmptyProject();
}

// The bytes this process has read from files so far.
long long BytesRead() {
    const std::string io = testsupport::read_file("/proc/self/io");
    return std::stoll(io.substr(io.find("rchar:") + 6));
}

TEST_F(Script, LoadStopsReadingAtTheFirstRefusedVoice) {
    MakeProject();
    SaveAs("good.log");
    QStringList lines = Lines("good.log");
    lines[12] = ".PCM          V0002     = \"" + Path("gone.wav") + "\"";
    // 4 MiB of voice lines after it, which the load must not read.
    const QString more = ".PCM          V0003     = \"" + Path("three.wav") + "\"";
    const QStringList tail(static_cast<int>((4 << 20) / (more.size() + 2)), more);
    lines = lines.mid(0, 13) + tail + lines.mid(13);
    Write("long.log", lines);
    const long long before = BytesRead();
    LoadFrom("long.log");
    EXPECT_LT(BytesRead() - before, 1 << 20);
    EXPECT_EQ(Texts(), QStringList({"ERROR: This log file is damage!"}));
    ExpectEmptyProject();
}

TEST_F(Script, ShortFilesUnknownVoicesLongPathsAndTwins) {
    MakeProject();
    SaveAs("a.log");
    QStringList lines = Lines("a.log");

    // Ending right after the voice lines: the files, and default sections.
    Write("short.log", lines.mid(0, 14));
    LoadFrom("short.log");
    EXPECT_EQ(form.Files.Count(), 2);
    EXPECT_TRUE(form.Sections[0].IsEmpty() && !form.Sections[5].GetEdge());

    // A group of a voice no line defined is taken; its rows end there, and
    // the usage text is still rebuilt.
    lines[15 + 3] = ".Section[  1] $Groups   = V0009  ( 8000) :1";
    Write("unknown.log", lines);
    form.ClearProject();
    LoadFrom("unknown.log");
    EXPECT_EQ(form.Sections[0].Count(), 2);
    EXPECT_EQ(form.List_Group->ItemCount(), 1);
    EXPECT_EQ(form.StatusBar->PanelText(3), "Usage: 68908 / 4194304 (1%)");

    // Two voice lines of one id are both taken, each row with its own file.
    lines.insert(13, ".PCM          V0003     = \"" + Path("one.wav") + "\"");
    Write("twins.log", lines);
    LoadFrom("twins.log");
    EXPECT_EQ(form.List_File->SubItem(1, 1) + form.List_File->SubItem(2, 1), "100300");

    // A path far past 226 bytes: the writer writes it, the loader reads it.
    const std::string deep = tmp.file(std::string(120, 'd') + "/" + std::string(120, 'e'));
    std::filesystem::create_directories(deep);
    testsupport::write_wav(deep + "/long.wav", std::vector<uint8_t>(10, 0x80));
    form.FileSel_Dir->SetDirectory(QString::fromStdString(deep));
    AddFile("long.wav");
    SaveAs("long.log");
    const QString before = Project();
    form.ClearProject();
    LoadFrom("long.log");
    EXPECT_EQ(Project().toStdString(), before.toStdString());
    EXPECT_TRUE(boxes.Shown().empty()) << Texts().join("\n").toStdString();
}

TEST_F(Script, OpenFailuresAndCancelLeaveTheProject) {
    MakeProject();
    const QString before = Project();
    dialogs.Cancel();
    form.Menu_File_Load->trigger();
    std::filesystem::create_directories(tmp.file("folder.log"));
    LoadFrom("missing.log");
    LoadFrom("folder.log");
    EXPECT_EQ(Texts(), QStringList({"ERROR: Failed To Open File: \"" + Path("missing.log") + "\"",
                                    "ERROR: Failed To Open File: \"" + Path("folder.log") + "\""}));
    EXPECT_EQ(Project().toStdString(), before.toStdString());
    EXPECT_EQ(dialogs.Shown().back().kind, platform::FileDialogKind::Open);
}

// ---------------------------------------------------------------------------
// The generator takes what the editor saves

TEST_F(Script, SavedProjectsCompile) {
    const std::string tessor = std::string(LYRASM_DIST_DIR) + "bin/tessor";
    SaveAs("empty.log");
    auto run = testsupport::run_program({tessor, tmp.file("empty.log"), tmp.file("empty.data")});
    EXPECT_EQ(run.status, 0) << run.out << run.err;

    MakeProject();
    form.Sections[255].AddVoice(2, 22050, false);
    form.Menu_Mode_CPUS->trigger();
    SaveAs("p.log");
    form.ClearProject();
    LoadFrom("p.log");
    boxes.Answer(platform::IDYES);
    SaveAs("p.log");
    ASSERT_EQ(Texts().size(), 1u); // the replace question only
    run = testsupport::run_program({tessor, tmp.file("p.log"), tmp.file("p.data")});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_GT(std::filesystem::file_size(tmp.file("p.data")), 2300u);
}

// ---------------------------------------------------------------------------
// File names and the script file

TEST_F(Script, PathsTheScriptCannotCarryAreRefused) {
    Wav("kept.wav", 10);
    AddFile("kept.wav");
    SaveAs("good.log");
    QStringList lines = Lines("good.log");
    const QString before = Project();
    const std::pair<const char*, const char*> cases[] = {
        {"line\nfeed.wav", "a line feed"},
        {"carriage\rreturn.wav", "a carriage return"},
        {"double\"quote.wav", "a double quote"},
    };
    for (const auto& [name, why] : cases) {
        SCOPED_TRACE(why);
        Wav(name, 10);
        boxes.Clear();
        AddFile(name);
        EXPECT_EQ(Texts(), QStringList({Refusal(Path(name), why)}));
        EXPECT_EQ(Project().toStdString(), before.toStdString());
    }

    // However such a path got into the project, Save names it and keeps the
    // former file.
    const QString quoted = Path("double\"quote.wav");
    form.Files.Add(quoted, 8000, 10);
    form.AddFileRow(form.Files.Items().back());
    form.Usage.Add(10);
    testsupport::write_file(tmp.file("good.log"), "old");
    boxes.Clear();
    boxes.Answer(platform::IDYES);
    SaveAs("good.log");
    EXPECT_EQ(Texts().mid(1), QStringList({Refusal(quoted, "a double quote")}));
    EXPECT_EQ(testsupport::read_file(tmp.file("good.log")), "old");

    // A script that names one, or a path holding a NUL, loads as damaged.
    for (const QString& path : {quoted, Path("kept.wav") + QChar(0) + "junk"}) {
        lines[12] = ".PCM          V0001     = \"" + path + "\"";
        Write("bad.log", lines);
        boxes.Clear();
        LoadFrom("bad.log");
        EXPECT_EQ(Texts(), QStringList({"ERROR: This log file is damage!"}));
        ExpectEmptyProject();
    }

    // The generator reads a quoted path of at most 1021 bytes.
    std::string deep = tmp.path();
    while (deep.size() < 1021 - 250)
        deep += "/" + std::string(200, 'd');
    std::filesystem::create_directories(deep);
    form.FileSel_Dir->SetDirectory(QString::fromStdString(deep));
    boxes.Clear();
    for (const size_t bytes : {1021, 1022}) {
        const std::string name = std::string(bytes - deep.size() - 5, 'n') + ".wav";
        testsupport::write_wav(deep + "/" + name, std::vector<uint8_t>(10, 0x80));
        AddFile(name.c_str());
    }
    EXPECT_EQ(form.Files.Count(), 1);
    ASSERT_EQ(Texts().size(), 1);
    EXPECT_TRUE(Texts()[0].endsWith("\" can't be saved in a log file: its path holds more than "
                                    "1021 bytes!"));
}

TEST_F(Script, BlanksDotsDashesAndAccentsGoEndToEnd) {
    const char* name = "-ma voix été.v2.wav";
    Wav(name, 300);
    AddFile(name);
    // Characters outside the basic plane, in a folder whose name ends in a
    // character of two bytes, entered from the folder list.
    std::filesystem::create_directories(tmp.file("📁 Été"));
    Wav("📁 Été/💩💀.wav", 200);
    form.FileSel_Dir->Reload();
    const QList<QListWidgetItem*> far = form.FileSel_Dir->findItems("📁 Été", Qt::MatchExactly);
    ASSERT_EQ(far.size(), 1);
    emit form.FileSel_Dir->itemActivated(far[0]);
    AddFile("💩💀.wav");
    form.Sections[0].AddVoice(1, 8000, false);
    form.Menu_Vout_DAC->trigger();
    form.Menu_Mode_Seq->trigger();
    SaveAs("odd one.log");
    EXPECT_EQ(Lines("odd one.log").mid(12, 2),
              QStringList({".PCM          V0001     = \"" + Path(name) + "\"",
                           ".PCM          V0002     = \"" + Path("📁 Été/💩💀.wav") + "\""}));
    const QString before = Project();
    form.ClearProject();
    LoadFrom("odd one.log");
    EXPECT_EQ(Project().toStdString(), before.toStdString());

    form.GeneratorFolder = LYRASM_DIST_DIR;
    dialogs.Choose(Path("odd one.log"));
    boxes.Answer(platform::IDYES);
    form.Menu_Bulide->trigger();
    EXPECT_EQ(Texts().mid(1), QStringList({"Build: Success!"}));
    EXPECT_GT(std::filesystem::file_size(tmp.file("odd one.data")), 420u);
}
