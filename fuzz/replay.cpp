// Replays the inputs of corpus folders through a fuzz harness without
// libFuzzer: the harness's own LLVMFuzzerInitialize and
// LLVMFuzzerTestOneInput, linked with this main() by the normal compiler, so
// that the test run checks every committed input under its sanitizers.
//
//   fuzz_replay_<harness> FOLDER...
//
// Each file of each folder is one input, in name order. A finding ends the
// run as it ends a fuzzing run (abort, a sanitizer's report); the name of the
// input goes to standard error first, so that the test's output names it.
// A run that finds no input fails, so that a moved corpus is not a pass.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        for (const fs::directory_entry& entry : fs::directory_iterator(argv[i], ec))
            if (entry.is_regular_file()) inputs.push_back(fs::absolute(entry.path()));
        if (ec) {
            fprintf(stderr, "replay: %s: %s\n", argv[i], ec.message().c_str());
            return 1;
        }
    }
    if (inputs.empty()) {
        fprintf(stderr, "replay: no inputs\n");
        return 1;
    }
    std::sort(inputs.begin(), inputs.end());

    // The paths are absolute: the harness works in a folder of its own.
    LLVMFuzzerInitialize(&argc, &argv);
    for (const fs::path& input : inputs) {
        fprintf(stderr, "replay: %s\n", input.c_str());
        const std::string data = testsupport::read_file(input);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    }
    fprintf(stderr, "replay: %zu inputs\n", inputs.size());
    return 0;
}
