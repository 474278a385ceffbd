// The platform's child processes: command-line words, exit codes, the
// bounded wait, and that no child is left behind.
#include "process.h"

#include "test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

using platform::Process;
using platform::WaitResult;
using Clock = std::chrono::steady_clock;

std::vector<QByteArray> Words(const char* line) {
    return platform::split_command_line(QByteArray(line));
}

// A /bin/sh run of `script` as one command line.
QByteArray Shell(const std::string& script) {
    return "/bin/sh -c " + platform::quote_word(QString::fromStdString(script)).toLocal8Bit();
}

// A process that exists and is not a zombie.
bool Alive(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const size_t paren = line.rfind(')');
    return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] != 'Z';
}

pid_t ReadPid(const std::string& path) {
    // The child writes it soon after it starts.
    for (int i = 0; i < 200; ++i) {
        std::ifstream in(path);
        pid_t pid = 0;
        if (in >> pid && pid > 0) return pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

bool GoneSoon(pid_t pid) {
    // A stopped grandchild is reaped by whoever adopted it, not by us.
    for (int i = 0; i < 200 && Alive(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !Alive(pid);
}

} // namespace

TEST(CommandLine, SplitsQuotedWordsTheWayTheyWereMeant) {
    EXPECT_EQ(Words("\"/opt/k/bin/tessor\" \"/p/a b.log\" \"/p/a b.data\""),
              std::vector<QByteArray>({"/opt/k/bin/tessor", "/p/a b.log", "/p/a b.data"}));
    EXPECT_EQ(Words("  a\tb  c "), std::vector<QByteArray>({"a", "b", "c"}));
    EXPECT_EQ(Words("a\"b c\"d"), std::vector<QByteArray>({"ab cd"}));
    EXPECT_EQ(Words("\"\" x"), std::vector<QByteArray>({"", "x"}));
    EXPECT_EQ(Words("\"a\"\"b\""), std::vector<QByteArray>({"a\"b"}));
    // Backslashes count only before a quote.
    EXPECT_EQ(Words("a\\b\\\\c"), std::vector<QByteArray>({"a\\b\\\\c"}));
    EXPECT_EQ(Words("a\\\"b"), std::vector<QByteArray>({"a\"b"}));
    EXPECT_EQ(Words("\"a\\\\\" b"), std::vector<QByteArray>({"a\\", "b"}));
    EXPECT_EQ(Words("a\\\\\\\"b"), std::vector<QByteArray>({"a\\\"b"}));
    EXPECT_EQ(Words("\"open"), std::vector<QByteArray>({"open"}));
    EXPECT_TRUE(Words("").empty());
    EXPECT_TRUE(Words(" \t ").empty());
}

TEST(CommandLine, QuotedWordsComeBackUnchanged) {
    EXPECT_EQ(platform::quote_word("/p/a b.log"), "\"/p/a b.log\"");
    const QString words[] = {"",     "plain", "two words", "a\"b",     "\"",   "end\\",
                             "\\\"", "a\\b",  "x\\\\",     "\"\" \\ ", "tab\t"};
    QByteArray line;
    for (const QString& w : words)
        line += platform::quote_word(w).toUtf8() + ' ';
    const std::vector<QByteArray> back = platform::split_command_line(line);
    ASSERT_EQ(back.size(), std::size(words));
    for (size_t i = 0; i < back.size(); ++i)
        EXPECT_EQ(QString::fromUtf8(back[i]), words[i]) << i;
}

// Every test of a running child, once waiting on a pidfd and once by polling.
class ChildProcess : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override { platform::set_process_wait_by_polling(GetParam()); }
    void TearDown() override { platform::set_process_wait_by_polling(false); }
    testsupport::TempDir tmp;
};

INSTANTIATE_TEST_SUITE_P(Wait, ChildProcess, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Polling" : "Pidfd"; });

TEST_P(ChildProcess, ExitCodesKeepTheirSign) {
    struct Case {
        const char* script;
        int32_t code;
    };
    const Case cases[] = {
        {"exit 0", 0},      {"exit 3", 3},           {"exit 127", 127},
        {"exit 253", -3},   {"exit 254", -2},        {"exit 255", -1},
        {"exit 128", -128}, {"kill -9 $$", 128 + 9}, {"kill -15 $$", 128 + 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Process p;
        ASSERT_TRUE(p.Start(Shell(c.script)));
        EXPECT_EQ(p.Wait(10000), WaitResult::Ended);
        int32_t code = 12345;
        EXPECT_TRUE(p.ExitCode(code));
        EXPECT_EQ(code, c.code);
        EXPECT_NE(code, platform::kStillActive);
        // Reaped: no zombie of ours is left.
        EXPECT_EQ(waitpid(p.Id(), nullptr, WNOHANG), -1);
    }
}

TEST_P(ChildProcess, WaitEndsWhenTheChildEndsNotAtTheTimeOut) {
    Process p;
    const Clock::time_point start = Clock::now();
    ASSERT_TRUE(p.Start(Shell("sleep 0.2; exit 5")));
    EXPECT_EQ(p.Wait(20000), WaitResult::Ended);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(150));
    EXPECT_LT(took, std::chrono::milliseconds(5000));
    int32_t code = 0;
    ASSERT_TRUE(p.ExitCode(code));
    EXPECT_EQ(code, 5);
    // Waiting again for an ended child answers at once.
    EXPECT_EQ(p.Wait(0), WaitResult::Ended);
}

TEST_P(ChildProcess, TimeOutLeavesItRunningUntilStopped) {
    const std::string pids = tmp.file("pids");
    Process p;
    // The shell starts a grandchild and waits for it: Stop must reach both.
    ASSERT_TRUE(p.Start(Shell("sleep 30 & echo $! > '" + pids + "'; wait")));
    const pid_t grandchild = ReadPid(pids);
    ASSERT_GT(grandchild, 0);

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(p.Wait(150), WaitResult::TimedOut);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(150));
    EXPECT_LT(took, std::chrono::milliseconds(5000));
    int32_t code = 0;
    ASSERT_TRUE(p.ExitCode(code));
    EXPECT_EQ(code, platform::kStillActive);
    EXPECT_TRUE(Alive(p.Id()));
    EXPECT_EQ(p.Wait(0), WaitResult::TimedOut);

    p.Stop();
    EXPECT_FALSE(Alive(p.Id()));
    EXPECT_EQ(waitpid(p.Id(), nullptr, WNOHANG), -1);
    EXPECT_TRUE(GoneSoon(grandchild));
    ASSERT_TRUE(p.ExitCode(code));
    EXPECT_EQ(code, 128 + SIGKILL);
    p.Stop(); // stopping again does nothing
}

TEST_P(ChildProcess, LettingGoOfARunningChildStopsIt) {
    pid_t pid = 0;
    {
        Process p;
        ASSERT_TRUE(p.Start(Shell("exec sleep 30")));
        pid = p.Id();
        EXPECT_EQ(p.Wait(20), WaitResult::TimedOut);
    }
    EXPECT_FALSE(Alive(pid));
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);

    // One that ended unseen is reaped all the same.
    {
        Process p;
        ASSERT_TRUE(p.Start(Shell("exit 0")));
        pid = p.Id();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
}

TEST_P(ChildProcess, ProgramsThatCannotStart) {
    const std::string text = tmp.file("not-a-program");
    testsupport::write_file(text, "#!/bin/sh\nexit 0\n"); // not executable
    struct Case {
        QByteArray line;
        int error;
    };
    const Case cases[] = {
        {QByteArray("\"") + tmp.file("missing").c_str() + "\" a b", ENOENT},
        {QByteArray("\"") + text.c_str() + "\"", EACCES},
        {"", ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        Process p;
        EXPECT_FALSE(p.Start(c.line));
        EXPECT_EQ(p.Error(), c.error);
        EXPECT_EQ(p.Wait(0), WaitResult::Failed);
        int32_t code = 0;
        EXPECT_FALSE(p.ExitCode(code));
    }
}

TEST_P(ChildProcess, HiddenFromOurStreamsAndDescriptors) {
    // A descriptor of ours that is not close-on-exec must not reach the
    // child, and its standard input is empty rather than our terminal.
    const int fd = open(tmp.file("ours").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(dup2(fd, 200), 200);
    close(fd);
    Process p;
    ASSERT_TRUE(p.Start(Shell("[ -e /proc/self/fd/200 ] && exit 10; "
                              "read line && exit 11; echo out; echo err >&2; exit 0")));
    close(200);
    EXPECT_EQ(p.Wait(10000), WaitResult::Ended);
    int32_t code = -1;
    ASSERT_TRUE(p.ExitCode(code));
    EXPECT_EQ(code, 0);
}
