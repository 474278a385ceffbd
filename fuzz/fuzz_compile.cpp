// libFuzzer harness: one whole compile per input, run in this process, on a
// fuzzed script, up to two fuzzed WAV files and fuzzed extra command-line
// words.
//
// Input layout, parts cut at each "@@WAV@@":
//   script @@WAV@@ a.wav @@WAV@@ b.wav @@WAV@@ words
// The script is compiled as s.log into s.data in a private temporary folder;
// it names the WAV files as "a.wav" and "b.wav" (a missing part leaves that
// file missing). The last part holds the words after IMAGE, one per line, so
// that $n and %n see fuzzed parameters.
//
// Besides the sanitizers' findings, a run fails when the compile returns an
// exit code it does not document, leaves a file open, or (for one input in
// eight) gives another result when the same compile runs again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "compile.h"
#include "fuzz_support.h"
#include "test_support.h"

namespace {

constexpr std::string_view kSplit = "@@WAV@@";
constexpr size_t kMaxWords = 13; // words beyond the tenth are counted but held nowhere

struct Outcome {
    int code;
    std::string console;
    fuzzsupport::FileDigest image;
};

// One compile, its console and image captured when `capture` is set (else
// the console goes to /dev/null). A failed check aborts.
Outcome compile_once(const std::vector<std::string>& words, bool capture) {
    std::vector<const char*> argv;
    for (const std::string& w : words)
        argv.push_back(w.c_str());
    argv.push_back(nullptr);

    if (capture) fuzzsupport::redirect_stdout("console.txt");
    int open_before = fuzzsupport::open_descriptor_count();
    int code = tessor_compile(static_cast<int>(words.size()), argv.data());
    int open_after = fuzzsupport::open_descriptor_count();
    if (capture) fuzzsupport::redirect_stdout(nullptr);

    // Every run ends in one of the documented exit codes.
    if (code != 0 && code != -2 && code != -3 && code != 2) {
        fprintf(stderr, "tessor_compile returned %d\n", code);
        abort();
    }
    // The compile closes every file it opened.
    if (open_after != open_before) {
        fprintf(stderr, "tessor_compile left a file open\n");
        abort();
    }
    if (!capture) return {code, {}, {}};
    return {code, testsupport::read_file("console.txt"), fuzzsupport::digest_file("s.data")};
}

// Whether this input also checks that a compile leaves no state behind that
// changes the next one: one input in eight, chosen by its bytes so that a
// finding reproduces from the input alone.
bool check_repeat(const uint8_t* data, size_t size) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return (hash & 7) == 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::make_private_folder("tessor-fuzz-compile");
    fuzzsupport::silence_console();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::InPrivateFolder here;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (;;) {
        size_t at = parts.size() < 3 ? input.find(kSplit) : std::string_view::npos;
        if (at == std::string_view::npos) {
            parts.push_back(input);
            break;
        }
        parts.push_back(input.substr(0, at));
        input.remove_prefix(at + kSplit.size());
    }

    testsupport::write_file("s.log", parts[0]);
    const char* wav_names[] = {"a.wav", "b.wav"};
    for (size_t i = 0; i < 2; ++i) {
        if (parts.size() > i + 1)
            testsupport::write_file(wav_names[i], parts[i + 1]);
        else
            unlink(wav_names[i]);
    }

    std::vector<std::string> words = {"tessor", "s.log", "s.data"};
    if (parts.size() > 3) {
        std::string_view rest = parts[3];
        while (!rest.empty() && words.size() < kMaxWords) {
            size_t end = rest.find('\n');
            words.emplace_back(rest.substr(0, end));
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end + 1);
        }
    }

    const bool repeat = check_repeat(data, size);
    Outcome first = compile_once(words, repeat);
    if (repeat) {
        // The same compile again in the same process gives the same result.
        Outcome again = compile_once(words, true);
        if (again.code != first.code || again.console != first.console ||
            !(again.image == first.image)) {
            fprintf(stderr, "a second compile of the same input differs from the first\n");
            abort();
        }
    }
    return 0;
}
