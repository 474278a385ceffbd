// Runs whole compiles in-process on scripts written by the test.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

struct CompileRun {
    int code = 0;      // tessor_compile's exit code
    std::string out;   // everything printed
    std::string image; // the image file's bytes afterwards
};

// Writes `script` to "s.log" in `dir` and compiles it into "s.data" with the
// command-line words `extra` after the two file names.
CompileRun compile_script(const testsupport::TempDir& dir, const std::string& script,
                          const std::vector<std::string>& extra = {});

// A voice line: `keyword` ".PCM", ".ADPCM", ".EQ01", the name and the WAV path.
std::string voice_line(const std::string& keyword, const std::string& name,
                       const std::string& path);

// The lines of the console output with the empty lines left out.
std::vector<std::string> text_lines(const std::string& out);

// A script in the layout the sound editor writes: globals, the given voice and
// section lines, and CR LF line ends.
std::string editor_script(const std::string& globals, const std::string& voices,
                          const std::string& sections);
