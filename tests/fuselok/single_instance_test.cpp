// The single-instance lock: between two holders in one process, against
// another process, and not handed down to the programs the holder starts.
#include "single_instance.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

QString Folder(const testsupport::TempDir& dir) {
    return QString::fromStdString(dir.path());
}

// The lock file of this user.
std::string LockFile(const std::string& name) {
    return name + "-" + std::to_string(::geteuid()) + ".lock";
}

// An empty file at `path` that is another user's (root gives it away), or
// that this user cannot open.
bool LeftByAnotherUser(const std::string& path) {
    testsupport::write_file(path, "");
    if (::geteuid() == 0) return ::chown(path.c_str(), 65534, 65534) == 0;
    return ::chmod(path.c_str(), 0) == 0;
}

// Waits (up to two seconds) until process `pid` runs program `name`.
bool WaitForProgram(pid_t pid, const std::string& name) {
    const std::string comm = "/proc/" + std::to_string(pid) + "/comm";
    for (int i = 0; i < 200; ++i) {
        if (testsupport::read_file(comm) == name + "\n") return true;
        ::usleep(10000);
    }
    return false;
}

// True when some descriptor of process `pid` is open on `path`.
bool HoldsFile(pid_t pid, const std::string& path) {
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fds)) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == path) return true;
    }
    return false;
}

} // namespace

TEST(SingleInstance, TheSecondHolderFindsTheLockTakenUntilTheFirstEnds) {
    testsupport::TempDir dir;
    auto first = std::make_unique<platform::SingleInstance>("Kelv44W", Folder(dir));
    EXPECT_TRUE(first->Owned());
    EXPECT_FALSE(first->AlreadyExists());
    EXPECT_EQ(first->LockPath().toStdString(), dir.file(LockFile("Kelv44W")));
    {
        platform::SingleInstance second("Kelv44W", Folder(dir));
        EXPECT_TRUE(second.AlreadyExists());
        EXPECT_FALSE(second.Owned());
        platform::SingleInstance other("Other", Folder(dir));
        EXPECT_TRUE(other.Owned());
    }
    first.reset();
    platform::SingleInstance third("Kelv44W", Folder(dir));
    EXPECT_TRUE(third.Owned());

    // No lock file can be made: the program runs as if alone.
    platform::SingleInstance nowhere("Kelv44W", Folder(dir) + "/missing");
    EXPECT_FALSE(nowhere.Owned());
    EXPECT_FALSE(nowhere.AlreadyExists());
}

TEST(SingleInstance, LockFilesOtherUsersLeftNeverLetASecondHolderIn) {
    // Left by other users (root's "sudo -E", or a start without a runtime
    // folder of its own): under another user's name, and under the name the
    // program once used for everyone.
    testsupport::TempDir dir;
    for (const char* name : {"Kelv44W-65534.lock", "Kelv44W.lock"})
        ASSERT_TRUE(LeftByAnotherUser(dir.file(name)));
    platform::SingleInstance first("Kelv44W", Folder(dir));
    platform::SingleInstance second("Kelv44W", Folder(dir));
    EXPECT_TRUE(second.AlreadyExists());

    // One under this user's own name is not taken: the program runs as if
    // alone.
    testsupport::TempDir other;
    ASSERT_TRUE(LeftByAnotherUser(other.file(LockFile("Kelv44W"))));
    EXPECT_FALSE(platform::SingleInstance("Kelv44W", Folder(other)).Owned());
}

TEST(SingleInstance, AnotherProcessHoldingTheLockIsSeen) {
    testsupport::TempDir dir;
    const std::string path = dir.file(LockFile("Kelv44W"));
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only async-signal-safe calls here.
        int fd = ::open(path.c_str(), O_RDONLY | O_CREAT, 0600);
        char c = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? '1' : '0';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(done[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, '1');
    {
        platform::SingleInstance mine("Kelv44W", Folder(dir));
        EXPECT_TRUE(mine.AlreadyExists());
    }
    (void)!::write(done[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    platform::SingleInstance after("Kelv44W", Folder(dir));
    EXPECT_TRUE(after.Owned());
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
}

TEST(SingleInstance, AStartedProgramDoesNotKeepTheLock) {
    testsupport::TempDir dir;
    auto mine = std::make_unique<platform::SingleInstance>("Kelv44W", Folder(dir));
    ASSERT_TRUE(mine->Owned());
    // The editor started from the Tools menu outlives the writer program.
    pid_t editor = 0;
    char sleep[] = "sleep", seconds[] = "30";
    char* argv[] = {sleep, seconds, nullptr};
    ASSERT_EQ(::posix_spawnp(&editor, "sleep", nullptr, nullptr, argv, environ), 0);
    ASSERT_TRUE(WaitForProgram(editor, "sleep"));
    EXPECT_FALSE(HoldsFile(editor, mine->LockPath().toStdString()));
    mine.reset();
    platform::SingleInstance next("Kelv44W", Folder(dir));
    EXPECT_TRUE(next.Owned());
    ::kill(editor, SIGKILL);
    ::waitpid(editor, nullptr, 0);
}
