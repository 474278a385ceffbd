#include "fuzz_support.h"

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

}  // namespace

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

void write_file(const char* path, std::string_view bytes) {
    FILE* f = fopen(path, "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
        perror("fuzz: write_file");
        abort();
    }
}

int open_descriptor_count() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    int count = 0;
    while (readdir(dir)) ++count;
    closedir(dir);
    return count;
}

}  // namespace fuzzsupport
