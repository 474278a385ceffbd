#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir(const std::string& parent) {
    std::filesystem::path base =
        parent.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(parent);
    std::string templ = (base / "voicetest.XXXXXX").string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void write_file(const std::string& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool file_exists(const std::string& path) {
    return std::filesystem::exists(path);
}

static void put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
static void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

std::string wav_bytes(const std::vector<uint8_t>& samples, const WavFormat& f) {
    uint32_t data_size = f.data_size_override >= 0 ? static_cast<uint32_t>(f.data_size_override)
                                                   : static_cast<uint32_t>(samples.size());
    std::string s = "RIFF";
    put32(s, 36 + static_cast<uint32_t>(samples.size()));
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);
    put16(s, f.channels);
    put32(s, f.rate);
    uint16_t align = static_cast<uint16_t>(f.channels * f.bits / 8);
    put32(s, f.rate * align);
    put16(s, align);
    put16(s, f.bits);
    s += "data";
    put32(s, data_size);
    s.append(samples.begin(), samples.end());
    return s;
}

void write_wav(const std::string& path, const std::vector<uint8_t>& samples,
               const WavFormat& format) {
    write_file(path, wav_bytes(samples, format));
}

static std::string drain(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        s.append(buf, static_cast<size_t>(n));
    close(fd);
    return s;
}

RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd) {
    TempDir tmp;
    std::string out_path = tmp.file("out"), err_path = tmp.file("err");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    RunResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = drain(open(out_path.c_str(), O_RDONLY));
    r.err = drain(open(err_path.c_str(), O_RDONLY));
    return r;
}

std::string hex(const std::string& bytes, size_t from, size_t count) {
    std::string s;
    static const char* digits = "0123456789ABCDEF";
    for (size_t i = from; i < bytes.size() && i - from < count; ++i) {
        if (!s.empty()) s += ' ';
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

} // namespace testsupport
