#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace platform {

namespace {

std::atomic<bool> g_wait_by_polling{false};

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// The attributes and file actions of one start, released however it ends.
class SpawnSetup {
  public:
    SpawnSetup() {
        ok_ = posix_spawnattr_init(&attr_) == 0;
        if (ok_ && posix_spawn_file_actions_init(&actions_) != 0) {
            posix_spawnattr_destroy(&attr_);
            ok_ = false;
        }
    }
    ~SpawnSetup() {
        if (!ok_) return;
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attr_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // 0 or an errno value.
    int Prepare() {
        if (!ok_) return ENOMEM;
        int rc = 0;
        // The child's standard streams go nowhere: its window is hidden.
        rc = rc ? rc : posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        rc = rc ? rc : posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
        rc = rc ? rc : posix_spawn_file_actions_adddup2(&actions_, 1, 2);
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 34)
        // None of our own descriptors is handed on, whether or not it was
        // opened close-on-exec.
        rc = rc ? rc : posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
#endif
        // A group of its own, so Stop reaches what the program starts too.
        rc = rc ? rc : posix_spawnattr_setpgroup(&attr_, 0);
        // Whatever this thread blocks or the program ignores is not the
        // child's business.
        sigset_t none;
        sigemptyset(&none);
        rc = rc ? rc : posix_spawnattr_setsigmask(&attr_, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int sig : {SIGPIPE, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGCHLD})
            sigaddset(&defaults, sig);
        rc = rc ? rc : posix_spawnattr_setsigdefault(&attr_, &defaults);
        rc = rc ? rc
                : posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                       POSIX_SPAWN_SETSIGDEF);
        return rc;
    }

    const posix_spawn_file_actions_t* Actions() const {
        return &actions_;
    }
    const posix_spawnattr_t* Attributes() const {
        return &attr_;
    }

  private:
    bool ok_ = false;
    posix_spawnattr_t attr_;
    posix_spawn_file_actions_t actions_;
};

int open_pidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    if (g_wait_by_polling.load()) return -1;
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

int32_t exit_code_of(int status) {
    if (WIFEXITED(status)) return static_cast<int8_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return kStillActive;
}

} // namespace

std::vector<QByteArray> split_command_line(const QByteArray& line) {
    std::vector<QByteArray> words;
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && is_blank(line[i]))
            ++i;
        if (i >= n) break;
        QByteArray word;
        bool quoted = false;
        while (i < n && (quoted || !is_blank(line[i]))) {
            const char c = line[i];
            if (c == '\\') {
                qsizetype run = 0;
                while (i + run < n && line[i + run] == '\\')
                    ++run;
                i += run;
                if (i < n && line[i] == '"') {
                    word.append(run / 2, '\\');
                    if (run % 2) {
                        word.append('"');
                        ++i;
                    }
                } else {
                    word.append(run, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    word.append('"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                word.append(c);
                ++i;
            }
        }
        words.push_back(word);
    }
    return words;
}

QString quote_word(const QString& word) {
    QString quoted = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (QChar c : word) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted.append(QString(backslashes * 2 + 1, QLatin1Char('\\')));
        } else {
            quoted.append(QString(backslashes, QLatin1Char('\\')));
        }
        backslashes = 0;
        quoted.append(c);
    }
    // Backslashes before the closing quote would escape it.
    quoted.append(QString(backslashes * 2, QLatin1Char('\\')));
    quoted.append(QLatin1Char('"'));
    return quoted;
}

void set_process_wait_by_polling(bool on) {
    g_wait_by_polling.store(on);
}

Process::~Process() {
    if (pid_ > 0 && !reaped_ && !lost_) {
        // Whoever lets go of a running child stops it; one that has ended is
        // only reaped.
        if (TryReap() == 0) Stop();
    }
    if (pidfd_ >= 0) close(pidfd_);
}

bool Process::Start(const QByteArray& commandLine) {
    if (pid_ > 0) {
        error_ = EBUSY;
        return false;
    }
    std::vector<QByteArray> words = split_command_line(commandLine);
    if (words.empty() || words.front().isEmpty()) {
        error_ = ENOENT;
        return false;
    }
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (QByteArray& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    SpawnSetup setup;
    if (int rc = setup.Prepare()) {
        error_ = rc;
        return false;
    }
    pid_t pid = -1;
    // glibc reports a failed exec here, not as an exit status of the child.
    if (int rc =
            posix_spawn(&pid, argv[0], setup.Actions(), setup.Attributes(), argv.data(), environ)) {
        error_ = rc;
        return false;
    }
    pid_ = pid;
    error_ = 0;
    // The child cannot be reaped by anyone else before we wait for it, so its
    // pid still names it here even if it has ended already. Without a pidfd
    // (old kernels, some sandboxes) Wait looks at the child now and then.
    pidfd_ = open_pidfd(pid);
    return true;
}

void Process::Reaped(int waitStatus) {
    reaped_ = true;
    wait_status_ = waitStatus;
    if (pidfd_ >= 0) {
        close(pidfd_);
        pidfd_ = -1;
    }
}

int Process::TryReap() {
    if (pid_ <= 0 || lost_) return -1;
    if (reaped_) return 1;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            Reaped(status);
            return 1;
        }
        if (r == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

WaitResult Process::Wait(int timeoutMs) {
    using clock = std::chrono::steady_clock;
    const bool limited = timeoutMs >= 0;
    const clock::time_point deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
    // Milliseconds left, rounded up so a wait never ends early; -1 unlimited.
    auto left = [&]() -> int {
        if (!limited) return -1;
        auto rest = std::chrono::ceil<std::chrono::milliseconds>(deadline - clock::now());
        return static_cast<int>(std::max<int64_t>(0, rest.count()));
    };

    for (int pause = 1;;) {
        int state = TryReap();
        if (state > 0) return WaitResult::Ended;
        if (state < 0) return WaitResult::Failed;
        const int rest = left();
        if (rest == 0) return WaitResult::TimedOut;
        if (pidfd_ >= 0) {
            pollfd p{pidfd_, POLLIN, 0};
            int r = poll(&p, 1, rest);
            if (r < 0 && errno != EINTR) return WaitResult::Failed;
            // Readable (the child ended), interrupted or timed out: the next
            // round finds out which.
        } else {
            std::this_thread::sleep_for(
                std::chrono::milliseconds(rest < 0 ? pause : std::min(pause, rest)));
            pause = std::min(pause * 2, 20);
        }
    }
}

bool Process::ExitCode(int32_t& code) {
    int state = TryReap();
    if (state < 0) return false;
    code = state == 0 ? kStillActive : exit_code_of(wait_status_);
    return true;
}

void Process::Stop() {
    if (pid_ <= 0 || reaped_ || lost_) return;
    // The group first, while its leader still holds the group's number.
    kill(-pid_, SIGKILL);
    kill(pid_, SIGKILL);
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, 0);
        if (r == pid_) {
            Reaped(status);
            return;
        }
        if (r < 0 && errno != EINTR) {
            // Reaped elsewhere: nothing of ours is left to wait for, and its
            // exit code is gone with it.
            lost_ = true;
            return;
        }
    }
}

} // namespace platform
