#include "compile_fixture.h"

#include <gtest/gtest.h>
#include <sstream>

#include "compile.h"

CompileRun compile_script(const testsupport::TempDir& dir, const std::string& script,
                          const std::vector<std::string>& extra) {
    std::string script_path = dir.file("s.log"), image_path = dir.file("s.data");
    testsupport::write_file(script_path, script);
    std::vector<std::string> words = {"tessor", script_path, image_path};
    words.insert(words.end(), extra.begin(), extra.end());
    std::vector<const char*> argv;
    for (const auto& w : words)
        argv.push_back(w.c_str());

    CompileRun run;
    testing::internal::CaptureStdout();
    run.code = tessor_compile(static_cast<int>(argv.size()), argv.data());
    run.out = testing::internal::GetCapturedStdout();
    run.image = testsupport::read_file(image_path);
    return run;
}

std::string voice_line(const std::string& keyword, const std::string& name,
                       const std::string& path) {
    return keyword + " " + name + " = \"" + path + "\"\n";
}

std::vector<std::string> text_lines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string editor_script(const std::string& globals, const std::string& voices,
                          const std::string& sections) {
    std::string s = ";" + std::string(99, '=') + "\n; KelvxxM Standard Code Log File Ver: 1.0\n";
    s += ".Silence      DefSil    = 8\n";
    s += globals + voices + sections;
    std::string crlf;
    for (char c : s) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}
