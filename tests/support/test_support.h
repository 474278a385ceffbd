// Helpers shared by the test suites: temporary folders, files, WAV files and
// running a built program with its output captured.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder (or under `parent`),
// removed with its content.
class TempDir {
  public:
    explicit TempDir(const std::string& parent = "");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void write_file(const std::string& path, std::string_view content);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

struct WavFormat {
    uint32_t rate = 8000;
    uint16_t channels = 1;
    uint16_t bits = 8;
    // When set, the header's data size field holds this instead of the sample count.
    int64_t data_size_override = -1;
};

// A canonical 44-byte-header RIFF/WAVE file holding `samples`.
std::string wav_bytes(const std::vector<uint8_t>& samples, const WavFormat& format = {});
void write_wav(const std::string& path, const std::vector<uint8_t>& samples,
               const WavFormat& format = {});

struct RunResult {
    int status = -1; // exit status as the shell sees it (0..255), -1 if it did not exit
    std::string out;
    std::string err;
};

// Runs `argv` in folder `cwd` (empty: the current one) and captures its output.
RunResult run_program(const std::vector<std::string>& argv, const std::string& cwd = "");

// Bytes as "70 F7 0F" for readable comparisons.
std::string hex(const std::string& bytes, size_t from = 0, size_t count = std::string::npos);

} // namespace testsupport
