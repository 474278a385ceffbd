// Inputs that fuzzing drove into the compiler's limits and faults, kept so
// they stay handled: the built program on each of them, and the in-process
// compile that the fuzz harness runs many times in one process.
#include <gtest/gtest.h>

#include <string>

#include "compile.h"
#include "compile_fixture.h"
#include "test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define TESSOR_TEST_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSOR_TEST_LSAN 1
#endif
#endif
#ifdef TESSOR_TEST_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using testsupport::run_program;
using testsupport::TempDir;
using testsupport::write_file;

constexpr int kStatusErrors = 253; // the exit code -3 as the shell sees it
constexpr int kStatusScannerStop = 2;
const std::string kTooLarge = "token too large, exceeds YYLMAX\n";

testsupport::RunResult run_script(const TempDir& dir, const std::string& script) {
    write_file(dir.file("s.log"), script);
    return run_program({TESSOR_PATH, dir.file("s.log"), dir.file("s.data")});
}

// Nesting deeper than the parser's stack of 10000 entries ends the pass with
// the parser's own message instead of overflowing anything.
TEST(FuzzRegressions, DeepNestingEndsWithMemoryExhausted) {
    const std::string nestings[] = {
        std::string(20000, '(') + "1" + std::string(20000, ')'),
        std::string(20000, '-') + "1",
        std::string(6000, '(') + std::string(6000, '-') + "1",
    };
    for (const std::string& deep : nestings) {
        TempDir dir;
        auto r = run_script(dir, ".Global $Rck = 1\n.define A = " + deep + "\n.Global $Rck = 2\n");
        EXPECT_EQ(r.status, kStatusErrors);
        EXPECT_NE(r.out.find("\nmemory exhausted\n"), std::string::npos);
        EXPECT_NE(r.out.find("\nComplete with 2 Errors \n"), std::string::npos);
        EXPECT_EQ(r.out.find("PASS 2"), std::string::npos);
        EXPECT_EQ(r.err, "");
    }
}

// A token of more than 8191 characters stops the scanner: its message on the
// error stream, status 2, no closing line. Every kind of long token does.
TEST(FuzzRegressions, TokenBeyondYylmaxStopsWithStatusTwo) {
    const std::string tokens[] = {
        ";" + std::string(9000, 'c'),
        "\"" + std::string(9000, 'p') + "\"",
        std::string(9000, 'n'),
        std::string(8192, '7'),
        // blanks are one token too
        std::string(9000, ' ') + ".Global",
    };
    for (const std::string& token : tokens) {
        TempDir dir;
        auto r = run_script(dir, ".Global $Rck = 1\n.define A = 1 " + token + "\n");
        EXPECT_EQ(r.status, kStatusScannerStop);
        EXPECT_EQ(r.err, kTooLarge);
        EXPECT_EQ(r.out.find("Complete with"), std::string::npos);
    }
    // One character less is still a token.
    TempDir dir;
    auto r = run_script(dir, ".Global $Rck = 1 ;" + std::string(8190, 'c') + "\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

// Found by fuzzing: a token too long for the scanner inside an expression
// nested deeper than the parser's first 200 stack entries. The stop threw out
// of the parser, which never freed its grown stack, so every such compile in
// one process leaked it. The compile must leave nothing behind, and the next
// compile must start from a clean scanner and parser.
TEST(FuzzRegressions, ScannerStopInsideGrownParserStackLeavesNothingBehind) {
    TempDir dir;
    {
        const std::string stops[] = {
            std::string(500, '(') + std::string(9000, 'x'),
            std::string(5000, '-') + ";" + std::string(9000, 'c'),
        };
        for (const std::string& stop : stops) {
            CompileRun run = compile_script(dir, ".Global $Rck = 1\n.define A = " + stop + "\n");
            EXPECT_EQ(run.code, 2);
            EXPECT_EQ(run.out.find("Complete with"), std::string::npos);
        }
    }
#ifdef TESSOR_TEST_LSAN
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif

    CompileRun run = compile_script(dir, ".define A = 1\n.define A = 2\n");
    EXPECT_EQ(run.code, -3);
    EXPECT_NE(run.out.find("*Error Line2: Const <A> Redefined."), std::string::npos);
    EXPECT_NE(run.out.find("Complete with 1 Errors"), std::string::npos);
}

} // namespace
