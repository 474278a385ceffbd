// Build: the capacity check, the save dialog and the replace questions, the
// script write, the generator run on its worker thread (the real generator
// and stand-ins for the odd cases), the results and the deletions.
#include "Main.h"
#include "StatusPanels.h"

#include "file_dialog.h"
#include "message_box.h"
#include "process.h"

#include "qstring_print.h"
#include "test_support.h"

#include <sys/stat.h>

#include <QAction>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>

using testsupport::file_exists;

namespace {

const std::string kDist = LYRASM_DIST_DIR;

// One message box as Build showed it, with what the window and the disk
// looked like at that moment.
struct Box {
    QString text;
    QString caption;
    int flags;
    QString buildPanel;
    bool script;
    bool image;
};

class Build : public ::testing::Test {
  protected:
    Build() {
        form.GeneratorFolder = QString::fromStdString(kDist);
        script = tmp.file("project.log");
        image = tmp.file("project.data");
        previous = platform::set_message_box_responder([this](const auto& r) {
            boxes.push_back({r.text, r.caption, r.flags, form.StatusBar->PanelText(4),
                             file_exists(script), file_exists(image)});
            if (answers.empty()) return platform::default_result(r.flags);
            int a = answers.front();
            answers.pop_front();
            return a;
        });
    }
    ~Build() override { platform::set_message_box_responder(std::move(previous)); }

    // An 8-bit mono WAV file in the project: in the file list, its row in
    // List_File, its size in the usage meter.
    int32_t AddWav(const std::string& name, size_t samples, testsupport::WavFormat format = {}) {
        const std::string path = tmp.file(name);
        testsupport::write_wav(path, std::vector<uint8_t>(samples, 0x90), format);
        const int32_t size =
            format.data_size_override >= 0 ? int32_t(format.data_size_override) : int32_t(samples);
        const int32_t id = form.Files.Add(QString::fromStdString(path), int32_t(format.rate), size);
        form.AddFileRow(form.Files.Items().back());
        form.Usage.Add(size);
        return id;
    }

    // A generator stand-in: bin/tessor in a folder of its own, a shell script.
    void StandIn(const std::string& body) {
        const std::string bin = tmp.file("standin/bin");
        std::filesystem::create_directories(bin);
        testsupport::write_file(bin + "/tessor", "#!/bin/sh\n" + body + "\n");
        ASSERT_EQ(chmod((bin + "/tessor").c_str(), 0755), 0);
        form.GeneratorFolder = QString::fromStdString(tmp.file("standin"));
    }

    // Runs Build with `path` chosen in the save dialog, watching the window
    // while the generator runs.
    void RunBuild(const std::string& path) {
        dialogs.Choose(QString::fromStdString(path));
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [this] {
            if (form.StatusBar->PanelText(4) == "Building...") sawBuilding = true;
            if (!form.Menu_Bulide->isEnabled()) sawGreyed = true;
            if (whileRunning && sawBuilding) {
                auto job = std::move(whileRunning);
                whileRunning = nullptr;
                job();
            }
        });
        watch.start();
        form.Menu_Bulide->trigger();
        watch.stop();
    }

    QStringList Texts() const {
        QStringList t;
        for (const Box& b : boxes)
            t << b.text;
        return t;
    }

    static QString Replace(const std::string& path) {
        return "The File \"" + QString::fromStdString(path) +
               "\"Already Exists, Do You Want To Replace It?";
    }

    testsupport::TempDir tmp;
    platform::ScriptedFileDialogs dialogs;
    std::vector<Box> boxes;
    std::deque<int> answers;
    platform::MessageBoxResponder previous;
    TForm1 form;
    std::string script, image;
    bool sawBuilding = false, sawGreyed = false;
    std::function<void()> whileRunning;
};

} // namespace

TEST(BuildPaths, ImagePathAndCommandLine) {
    EXPECT_EQ(TForm1::ImagePathOf("/p/a.log"), "/p/a.data");
    EXPECT_EQ(TForm1::ImagePathOf("/p/a.b.log"), "/p/a.b.data");
    EXPECT_EQ(TForm1::ImagePathOf("/p.d/a"), "/p.d/a.data");
    EXPECT_EQ(TForm1::ImagePathOf("/p.d/.log"), "/p.d/.data");

    const QString line =
        TForm1::GeneratorCommandLine("/opt/k/bin/tessor", "/d/p/a.log", "/d/p/a.data");
    EXPECT_EQ(line, "\"/opt/k/bin/tessor\" \"/d/p/a.log\" \"/d/p/a.data\"");
    EXPECT_EQ(platform::split_command_line(line.toUtf8()),
              std::vector<QByteArray>({"/opt/k/bin/tessor", "/d/p/a.log", "/d/p/a.data"}));
}

TEST_F(Build, RefusesAProjectThatDoesNotFitBeforeAskingAnything) {
    form.Usage.Add(form.Usage.GetCapacity() - form.Usage.GetUsed());
    form.Menu_Bulide->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "The voice is too long to over IC memory, please make it shorter or re-sampling!");
    EXPECT_EQ(boxes[0].caption, "ERROR");
    EXPECT_EQ(boxes[0].flags, 16);
    EXPECT_TRUE(dialogs.Shown().empty());

    // One byte less goes on to the dialog; cancelling it ends Build quietly.
    form.Usage.Sub(1);
    form.Menu_Bulide->trigger();
    EXPECT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].kind, platform::FileDialogKind::Save);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(form.Menu_Bulide->isEnabled());
}

TEST_F(Build, TheGeneratorBuildsTheImage) {
    const int32_t a = AddWav("a.wav", 300);
    const int32_t b = AddWav("b.wav", 120);
    form.Sections[0].AddVoice(a, 8000, false);
    form.Sections[3].AddVoice(b, 8000, true);
    form.Sections[3].AddVoice(a, 8000, false);

    RunBuild(script);
    ASSERT_EQ(Texts(), QStringList({"Success!"}));
    EXPECT_EQ(boxes[0].caption, "Build");
    EXPECT_EQ(boxes[0].flags, 64);
    EXPECT_EQ(boxes[0].buildPanel, "");
    EXPECT_TRUE(sawBuilding);
    EXPECT_TRUE(sawGreyed);
    EXPECT_TRUE(form.Menu_Bulide->isEnabled());

    // The image is the generator's own from this script.
    ASSERT_TRUE(file_exists(script));
    ASSERT_TRUE(file_exists(image));
    const std::string again = tmp.file("again.data");
    const auto run = testsupport::run_program({kDist + "bin/tessor", script, again});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(testsupport::read_file(image), testsupport::read_file(again));
    EXPECT_GT(testsupport::read_file(image).size(), 420u);
}

TEST_F(Build, ScriptErrorsFailTheBuildAndRemoveBothFiles) {
    // The header promises more samples than the file holds: the editor takes
    // it, the generator fails when it copies the samples.
    testsupport::WavFormat cut;
    cut.data_size_override = 5000;
    form.Sections[0].AddVoice(AddWav("cut.wav", 100, cut), 8000, false);

    RunBuild(script);
    ASSERT_EQ(Texts(), QStringList({"Failed(Script)!"}));
    EXPECT_EQ(boxes[0].caption, "ERROR");
    EXPECT_EQ(boxes[0].flags, 16);
    EXPECT_EQ(boxes[0].buildPanel, "");
    EXPECT_TRUE(boxes[0].script); // deleted only once the box is closed
    EXPECT_FALSE(file_exists(script));
    EXPECT_FALSE(file_exists(image));
}

TEST_F(Build, EveryOtherOutcomeOfTheRun) {
    struct Case {
        const char* body; // the stand-in's script; null: no generator at all
        const char* message;
    };
    const Case cases[] = {
        {"echo image > \"$2\"; exit 2", "Failed(Script)!"},
        {"echo image > \"$2\"; kill -9 $$", "Failed(Script)!"},
        {nullptr, "Failed(Progress)!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        if (c.body) {
            StandIn(c.body);
        } else {
            form.GeneratorFolder = QString::fromStdString(tmp.file("nowhere"));
        }
        boxes.clear();
        RunBuild(script);
        ASSERT_EQ(Texts(), QStringList({c.message}));
        EXPECT_TRUE(boxes[0].script);
        EXPECT_FALSE(file_exists(script));
        EXPECT_FALSE(file_exists(image));
    }
}

TEST_F(Build, AGeneratorStillRunningAtTheTimeOutIsStoppedAndFails) {
    const std::string pidFile = tmp.file("pid");
    StandIn("echo $$ > '" + pidFile + "'; echo image > \"$2\"; exec sleep 30");
    form.GeneratorTimeout = 300;

    // While it runs the window stays live, but Build cannot start again.
    bool nested = false;
    whileRunning = [&] {
        form.Menu_Mode_Seq->trigger();
        form.Menu_BulideClick(nullptr);
        nested = true;
    };
    const auto start = std::chrono::steady_clock::now();
    RunBuild(script);
    const auto took = std::chrono::steady_clock::now() - start;

    ASSERT_EQ(Texts(), QStringList({"Failed(Script)!"}));
    EXPECT_TRUE(nested);
    EXPECT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(form.StatusBar->PanelText(1), "Mode: Sequential");
    EXPECT_TRUE(sawGreyed);
    EXPECT_EQ(form.StatusBar->PanelText(4), "");
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::seconds(10));
    EXPECT_FALSE(file_exists(script));
    EXPECT_FALSE(file_exists(image));

    // The stand-in is gone: stopped and reaped before Build reported.
    std::ifstream in(pidFile);
    pid_t pid = 0;
    ASSERT_TRUE(in >> pid);
    EXPECT_NE(kill(pid, 0), 0);
}

TEST_F(Build, ReplaceQuestions) {
    StandIn("echo new > \"$2\"; exit 0");
    testsupport::write_file(script, "old script");
    testsupport::write_file(image, "old image");

    // No to the script: nothing changes.
    answers = {platform::IDNO};
    RunBuild(script);
    ASSERT_EQ(Texts(), QStringList({Replace(script)}));
    EXPECT_EQ(boxes[0].caption, "WARNING");
    EXPECT_EQ(boxes[0].flags, 52);
    EXPECT_EQ(testsupport::read_file(script), "old script");
    EXPECT_EQ(testsupport::read_file(image), "old image");

    // Yes to the script, No to the image: the old script is gone already.
    boxes.clear();
    answers = {platform::IDYES, platform::IDNO};
    RunBuild(script);
    ASSERT_EQ(Texts(), QStringList({Replace(script), Replace(image)}));
    EXPECT_FALSE(boxes[1].script);
    EXPECT_FALSE(file_exists(script));
    EXPECT_EQ(testsupport::read_file(image), "old image");

    // Yes to the image: both are made anew.
    boxes.clear();
    answers = {platform::IDYES};
    RunBuild(script);
    ASSERT_EQ(Texts(), QStringList({Replace(image), "Success!"}));
    EXPECT_NE(testsupport::read_file(script), "old script");
    EXPECT_EQ(testsupport::read_file(image), "new\n");
}

TEST_F(Build, AScriptNamedLikeItsImageIsRefused) {
    for (const char* name : {"x.data", "x.DATA"}) {
        SCOPED_TRACE(name);
        const std::string path = tmp.file(name);
        testsupport::write_file(path, "keep");
        boxes.clear();
        RunBuild(path);
        ASSERT_EQ(Texts(), QStringList({"The File \"" + QString::fromStdString(path) +
                                        "\" Can't Be Both Log File And Data File!"}));
        EXPECT_EQ(boxes[0].caption, "ERROR");
        EXPECT_EQ(testsupport::read_file(path), "keep");
    }
}

TEST_F(Build, PathsReachTheGeneratorWhole) {
    const std::string args = tmp.file("args");
    StandIn("printf '%s\\n' \"$@\" > '" + args + "'; exit 0");
    const std::string odd = tmp.file("my \"best\" project.v1.log");
    RunBuild(odd);
    ASSERT_EQ(Texts(), QStringList({"Success!"}));
    EXPECT_EQ(testsupport::read_file(args),
              odd + "\n" + tmp.file("my \"best\" project.v1.data") + "\n");
    EXPECT_TRUE(file_exists(odd));
}
