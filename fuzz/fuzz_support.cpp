#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace fuzzsupport {

namespace {

std::string private_folder;

void remove_private_folder() {
    if (private_folder.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(private_folder, ec);
}

} // namespace

void make_private_folder(const char* prefix) {
    std::string base = "/dev/shm";
    if (access(base.c_str(), W_OK) != 0) base = std::filesystem::temp_directory_path().string();
    std::string templ = base + "/" + prefix + ".XXXXXX";
    if (!mkdtemp(templ.data())) {
        perror("fuzz: private folder");
        abort();
    }
    private_folder = templ;
    atexit(remove_private_folder);
}

InPrivateFolder::InPrivateFolder() : home_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (home_ < 0 || chdir(private_folder.c_str()) != 0) {
        perror("fuzz: enter private folder");
        abort();
    }
}

InPrivateFolder::~InPrivateFolder() {
    if (fchdir(home_) != 0) abort();
    close(home_);
}

void silence_console() {
    fflush(stdout);
    if (!freopen("/dev/null", "w", stdout)) abort();
    int null_in = open("/dev/null", O_RDONLY);
    if (null_in < 0 || dup2(null_in, STDIN_FILENO) < 0) abort();
    close(null_in);
}

void redirect_stdout(const char* path) {
    fflush(stdout);
    if (!freopen(path ? path : "/dev/null", "w", stdout)) abort();
}

FileDigest digest_file(const char* path) {
    FileDigest digest;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return digest;
    off_t end = lseek(fd, 0, SEEK_END);
    digest.size = end;
    unsigned long long hash = 14695981039346656037ull;
    auto mix = [&hash](unsigned char byte) { hash = (hash ^ byte) * 1099511628211ull; };
    unsigned char block[4096];
    off_t at = 0;
    while (at < end) {
        off_t data = lseek(fd, at, SEEK_DATA);
        if (data < 0) break; // only a hole is left
        off_t hole = lseek(fd, data, SEEK_HOLE);
        if (hole < 0) hole = end;
        for (int i = 0; i < 8; ++i)
            mix(static_cast<unsigned char>(data >> (8 * i)));
        for (off_t pos = data; pos < hole;) {
            size_t want = static_cast<size_t>(std::min<off_t>(hole - pos, sizeof block));
            ssize_t got = pread(fd, block, want, pos);
            if (got <= 0) break;
            for (ssize_t i = 0; i < got; ++i)
                mix(block[i]);
            pos += got;
        }
        at = hole;
    }
    close(fd);
    digest.hash = hash;
    return digest;
}

int open_descriptor_count() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    int count = 0;
    while (readdir(dir))
        ++count;
    closedir(dir);
    return count;
}

} // namespace fuzzsupport
