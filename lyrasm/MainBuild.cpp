// Build: the project written as a script file and compiled by the generator
// into a data memory file. The generator runs as a hidden child process,
// started and waited for by a worker thread while the window stays live; the
// user learns only success or failure, and a failed build leaves neither file.
#include "Main.h"

#include "StatusPanels.h"

#include "code_page.h"
#include "file_dialog.h"
#include "process.h"
#include "program_folder.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <atomic>
#include <system_error>
#include <thread>

namespace {

// The Status of a generator run.
enum : int32_t {
    kNotRun = -1,     // set before the worker starts
    kRan = 0,         // the wait ended and ExitCode holds the exit code
    kNotStarted = -2, // the process did not start
    kWaitFailed = -3, // the wait for the process failed
    kNoExitCode = -4, // the exit code could not be read
};

// What Build shares with the worker thread. Build owns it for the length of
// one command; the worker stores Status (and ExitCode with Status 0) and then
// clears Running as the last thing it does with the record. Running is the
// only synchronisation: its release publishes the stores before it, and Build
// reads them only after it has seen the flag cleared.
struct GeneratorRun {
    std::atomic<bool> Running{true};
    int32_t Status = kNotRun;
    int32_t ExitCode = 0;
    QString CommandLine;
    int TimeoutMs = 0;
};

// The worker thread's procedure.
void RunGenerator(GeneratorRun* run) {
    int32_t status = kNotStarted;
    int32_t exitCode = 0;
    {
        platform::Process generator;
        QByteArray line;
        // A command line the code page cannot carry would start the generator
        // on other files than ours.
        if (platform::to_ansi_exact(run->CommandLine, line) && generator.Start(line)) {
            if (generator.Wait(run->TimeoutMs) == platform::WaitResult::Failed) {
                status = kWaitFailed;
            } else if (!generator.ExitCode(exitCode)) {
                status = kNoExitCode;
            } else {
                // After a time-out this reads kStillActive, which is not 0.
                status = kRan;
            }
            // A generator still running now is stopped, with anything it
            // started, before Build hears of it: the deletions after a failed
            // build must not be undone by a generator writing on, and nothing
            // is left running once the command is over.
            generator.Stop();
        }
    }
    run->Status = status;
    if (status == kRan) run->ExitCode = exitCode;
    run->Running.store(false, std::memory_order_release);
    // The record is Build's again; only the window's event loop is woken, so
    // that Build, waiting there for events, sees the cleared flag at once.
    // Build joins this thread before it returns, so the application is still
    // there.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
}

void DeleteIfExists(const QString& path) {
    if (QFileInfo::exists(path)) QFile::remove(path);
}

// After a failed build neither file is left.
void DeleteBuildFiles(const QString& scriptPath, const QString& imagePath) {
    DeleteIfExists(scriptPath);
    DeleteIfExists(imagePath);
}

// Enables an action again when the scope ends, however it ends.
class DisabledWhileInScope {
  public:
    explicit DisabledWhileInScope(QAction* action) : action_(action) { action_->setEnabled(false); }
    ~DisabledWhileInScope() { action_->setEnabled(true); }
    DisabledWhileInScope(const DisabledWhileInScope&) = delete;
    DisabledWhileInScope& operator=(const DisabledWhileInScope&) = delete;

  private:
    QAction* action_;
};

} // namespace

QString TForm1::ImagePathOf(const QString& ScriptPath) {
    const qsizetype name = ScriptPath.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = ScriptPath.lastIndexOf(QLatin1Char('.'));
    if (dot >= name) return ScriptPath.left(dot) + QStringLiteral(".data");
    return ScriptPath + QStringLiteral(".data");
}

QString TForm1::GeneratorCommandLine(const QString& Generator, const QString& ScriptPath,
                                     const QString& ImagePath) {
    // For every path that holds no double quote this is just the three paths
    // in quotes; a quote in a path is escaped, so no path can ever split into
    // other words and send the generator's output onto some other file.
    return platform::quote_word(Generator) + QLatin1Char(' ') + platform::quote_word(ScriptPath) +
           QLatin1Char(' ') + platform::quote_word(ImagePath);
}

void TForm1::Menu_BulideClick(QObject*) {
    // One build at a time: a second one would rewrite or delete the files the
    // first one's generator is working on. Build's menu item is greyed while
    // the generator runs; this catches direct calls too.
    if (Building) return;
    Building = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{Building};

    if (BuildRefusedForSize()) return;
    if (!Save->Execute(this)) return;
    const QString scriptPath = Save->FileName;
    const QString imagePath = ImagePathOf(scriptPath);
    if (ImagePathRefused(scriptPath, imagePath)) return;
    if (!DeleteFormerBuildFiles(scriptPath, imagePath)) return;
    if (!WriteBuildScript(scriptPath, imagePath)) return;
    ReportBuild(RunGeneratorOnWorker(scriptPath, imagePath), scriptPath, imagePath);
}

bool TForm1::BuildRefusedForSize() {
    if (Usage.GetUsed() < Usage.GetCapacity()) return false;
    ShowMessageBox(QStringLiteral("The voice is too long to over IC memory, please make it "
                                  "shorter or re-sampling!"),
                   mkError);
    return true;
}

bool TForm1::ImagePathRefused(const QString& ScriptPath, const QString& ImagePath) {
    // A script named *.data would have the generator write its image over its
    // own input. Refused before anything is asked or deleted; the comparison
    // ignores case for volumes that do.
    if (ScriptPath.compare(ImagePath, Qt::CaseInsensitive) != 0) return false;
    ShowMessageBox(QStringLiteral("The File \"") + ScriptPath +
                       QStringLiteral("\" Can't Be Both Log File And Data File!"),
                   mkError);
    return true;
}

bool TForm1::DeleteFormerBuildFiles(const QString& ScriptPath, const QString& ImagePath) {
    if (ReplaceRefused(ScriptPath)) return false;
    QFile::remove(ScriptPath);
    if (ReplaceRefused(ImagePath)) return false;
    QFile::remove(ImagePath);
    return true;
}

bool TForm1::WriteBuildScript(const QString& ScriptPath, const QString& ImagePath) {
    // The writer reports its own failures; an exception from it ends Build
    // here as well.
    if (WriteScriptFile(ScriptPath)) return true;
    DeleteBuildFiles(ScriptPath, ImagePath);
    return false;
}

TForm1::BuildOutcome TForm1::RunGeneratorOnWorker(const QString& ScriptPath,
                                                  const QString& ImagePath) {
    GeneratorRun run;
    QString folder = GeneratorFolder.isEmpty() ? platform::program_folder() : GeneratorFolder;
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    run.CommandLine =
        GeneratorCommandLine(folder + QStringLiteral("bin/tessor"), ScriptPath, ImagePath);
    run.TimeoutMs = GeneratorTimeout;
    {
        DisabledWhileInScope greyed(Menu_Bulide);
        // The worker is joined as the scope ends (right after the record says
        // it is done, or as an exception leaves the wait), while the record,
        // the window and the application it wakes are all still there: no
        // worker outlives the command.
        std::jthread worker;
        try {
            worker = std::jthread(RunGenerator, &run);
        } catch (const std::system_error&) {
            // No worker will ever clear the flag; Status still says "not run",
            // which is reported like a generator that did not start.
            run.Running.store(false, std::memory_order_relaxed);
        }
        // The window stays live: every other command can be used meanwhile.
        // Waiting for events rather than polling keeps the processor free;
        // the worker posts one when it is done.
        StatusBar->SetPanelText(4, QStringLiteral("Building..."));
        while (run.Running.load(std::memory_order_acquire))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    StatusBar->SetPanelText(4, QString());
    if (run.Status != kRan) return BuildOutcome::FailedProgress;
    return run.ExitCode == 0 ? BuildOutcome::Success : BuildOutcome::FailedScript;
}

void TForm1::ReportBuild(BuildOutcome Outcome, const QString& ScriptPath,
                         const QString& ImagePath) {
    if (Outcome != BuildOutcome::Success) {
        ShowMessageBox(Outcome == BuildOutcome::FailedProgress ? QStringLiteral("Failed(Progress)!")
                                                               : QStringLiteral("Failed(Script)!"),
                       mkError);
        DeleteBuildFiles(ScriptPath, ImagePath);
        return;
    }
    ShowMessageBox(QStringLiteral("Success!"), mkBuild);
}
