// Starting a program from a command line, waiting for it a bounded time and
// reading its exit code.
//
// A command line is one string of words the way the desktop programs hand it
// over: words separated by blanks, double quotes around a word that holds
// blanks, a backslash escaping a quote. The program is started with its
// standard streams on /dev/null (nobody sees or keeps its output), no other
// descriptor of ours, the caller's environment and folder, and in a process
// group of its own, so that stopping it stops whatever it started too.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <cstdint>
#include <vector>

namespace platform {

// The exit code of a process that is still running.
inline constexpr int32_t kStillActive = 259;

// The words of `line`: blanks and tabs separate words outside quotes; a double
// quote starts or ends a quoted stretch; two quotes inside a quoted stretch
// are one quote character; n backslashes before a quote give n / 2
// backslashes, and when n is odd the quote is a character of the word; other
// backslashes are characters. Every word, the program's included, follows
// these rules.
std::vector<QByteArray> split_command_line(const QByteArray& line);

// `word` in double quotes, escaped so that split_command_line gives it back
// as one word unchanged. A word without quotes and without a trailing
// backslash is just put between two quotes.
QString quote_word(const QString& word);

enum class WaitResult { Ended, TimedOut, Failed };

// One child process. The object owns the child: when it goes, a child still
// running is stopped and every child is reaped, so none is left behind as a
// zombie or running on its own.
class Process {
  public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts the program named by the first word of `commandLine` (a path; it
    // is not looked up in PATH) with all the words as its arguments. False
    // when the line has no word, the program cannot be started, or this object
    // has started one already; Error() then tells why.
    bool Start(const QByteArray& commandLine);

    // Waits until the process ends, at most `timeoutMs` milliseconds (a
    // negative time waits without limit). Failed when nothing was started or
    // the process cannot be waited for.
    WaitResult Wait(int timeoutMs);

    // The exit code: kStillActive while the process runs; the low eight bits
    // of what the program returned, taken as signed, once it has ended (so a
    // program ending with -3 reads -3, one ending with 2 reads 2); 128 plus
    // the signal number when a signal ended it. False when nothing was
    // started or its state cannot be read.
    bool ExitCode(int32_t& code);

    // Stops a running process and everything in its process group, and waits
    // until it is gone. Nothing happens when it has ended already.
    void Stop();

    pid_t Id() const { return pid_; }
    // The errno value of the last failed Start.
    int Error() const { return error_; }

  private:
    // 1 reaped now or before, 0 still running, -1 cannot be waited for.
    int TryReap();
    void Reaped(int waitStatus);

    pid_t pid_ = -1;
    int pidfd_ = -1;
    bool reaped_ = false;
    bool lost_ = false; // reaped by someone else: no exit code to read
    int wait_status_ = 0;
    int error_ = 0;
};

// Tests: wait by looking at the child's state now and then instead of on a
// process descriptor, as where the kernel has no pidfd_open. Affects
// processes started afterwards.
void set_process_wait_by_polling(bool on);

} // namespace platform
