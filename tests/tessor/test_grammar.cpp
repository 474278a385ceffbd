// The script grammar: expressions, constants, parameters and the parser's
// messages and error recovery, through whole compiles.
#include <gtest/gtest.h>

#include "compile_fixture.h"
#include "gen_state.h"

namespace {

using testsupport::TempDir;

// The value an expression gives, read back through $Offset (an offset near
// 2 GiB may fail the size check afterwards, which does not matter here).
int value_of(const std::string& expression) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".Global $Offset = " + expression + "\n");
    EXPECT_EQ(run.out.find("*Error"), std::string::npos) << expression << "\n" << run.out;
    return gen_state.image_offset;
}

TEST(Expressions, PrecedenceAndAssociativity) {
    EXPECT_EQ(value_of("2+3*4"), 14);
    EXPECT_EQ(value_of("(2+3)*4"), 20);
    EXPECT_EQ(value_of("10-4-3"), 3);
    EXPECT_EQ(value_of("100/10/5"), 2);
    EXPECT_EQ(value_of("-2*3"), -6);
    EXPECT_EQ(value_of("2*-3"), -6);
    EXPECT_EQ(value_of("1|2^3&6"), 1);
    EXPECT_EQ(value_of("6&3|8"), 10);
    EXPECT_EQ(value_of("--5"), 5);
    EXPECT_EQ(value_of("-(1+2)*2"), -6);
}

TEST(Expressions, ThirtyTwoBitArithmetic) {
    EXPECT_EQ(value_of("0FFFFFFFFh+1"), 0);
    EXPECT_EQ(value_of("7FFFFFFFh+1"), INT32_MIN);
    EXPECT_EQ(value_of("10000h*10000h"), 0);
    EXPECT_EQ(value_of("-(80000000h)"), INT32_MIN);
    EXPECT_EQ(value_of("7/2"), 3);
    EXPECT_EQ(value_of("-7/2"), -3);
}

TEST(Expressions, DivisionWithoutAResultIsACountedErrorOfItsLine) {
    for (const char* bad : {"1/0", "80000000h/-1", "5/(3-3)"}) {
        TempDir dir;
        CompileRun run = compile_script(dir, "\n.Global $Rck = " + std::string(bad) + "\n");
        EXPECT_EQ(run.code, -3) << bad;
        EXPECT_NE(run.out.find("*Error Line2: Division by zero or overflow."), std::string::npos)
            << run.out;
        EXPECT_EQ(run.out.find("=<< PASS 2 >>=="), std::string::npos);
        EXPECT_TRUE(run.image.empty());
    }
}

TEST(Constants, DefinedOnceFoundWithoutRegardToCase) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".define Rate = 8000\n"
                                         ".define RATE = 1\n"
                                         ".define B = rate * 2\n"
                                         ".Global $Offset = b\n");
    EXPECT_EQ(run.code, -3);
    EXPECT_EQ(text_lines(run.out)[4], "*Error Line2: Const <RATE> Redefined.");
    EXPECT_EQ(gen_state.image_offset, 16000);
}

TEST(Constants, UseBeforeDefinitionIsUndefinedAndMinusOne) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".Global $Offset = Later + 1\n"
                                         ".define Later = 5\n");
    EXPECT_EQ(run.code, -3);
    EXPECT_NE(run.out.find("*Error Line1: Const <Later> Undefined."), std::string::npos);
    EXPECT_EQ(gen_state.image_offset, 0); // -1 + 1
}

TEST(Constants, ConstantAndVoiceMayShareAName) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".define Beep = 3\n"
                                         ".Silence Beep = Beep * 4\n"
                                         ".Section[Beep] $Groups = Beep (8000) :0\n");
    EXPECT_EQ(run.code, 0) << run.out;
    // Silence of 12: count bytes F4 FF FF in the one link of section 3.
    EXPECT_EQ(testsupport::hex(run.image, 48 + 12 + 5, 3), "F4 FF FF");
}

TEST(Parameters, NumbersFromTheCommandLine) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".Global $Offset = %3 + %4\n", {"1Fh", "\"12\""});
    EXPECT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(gen_state.image_offset, 43);
    EXPECT_EQ(gen_state.param_count, 5);
}

TEST(Parameters, MissingOrNonNumericParameters) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".Global $Rck = %2\n"
                                         ".Global $Rck = %3\n"
                                         ".Global $Rck = %9\n");
    EXPECT_EQ(run.code, -3);
    auto lines = text_lines(run.out);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[4], "*Error Line1: Invalid number input .");
    EXPECT_EQ(lines[5], "*Error Line2: Need cmd line parameter input.");
    EXPECT_EQ(lines[6], "*Error Line3: Need cmd line parameter input.");
    EXPECT_EQ(gen_state.rck, -1);
}

TEST(Parameters, WordsBeyondTheTenthAreCountedButHeldNowhere) {
    TempDir dir;
    std::vector<std::string> extra;
    for (int i = 3; i < 15; ++i)
        extra.push_back(std::to_string(i));
    CompileRun run = compile_script(dir, ".Global $Rck = %9\n", extra);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(gen_state.param_count, 15);
    EXPECT_EQ(gen_state.rck, 9);
}

// The parser's plain message for a one-line script, and the error line after it.
std::pair<std::string, std::string> messages_for(const std::string& line) {
    TempDir dir;
    CompileRun run = compile_script(dir, line + "\n");
    auto lines = text_lines(run.out);
    EXPECT_EQ(run.code, -3) << line;
    if (lines.size() < 6) return {};
    return {lines[4], lines[5]};
}

TEST(ParserMessages, NameTheFoundTokenAndUpToFourExpected) {
    struct Case {
        const char* line;
        const char* message;
    } cases[] = {
        {".define = 5", "syntax error, unexpected '=', expecting T_USR_VAR"},
        {".Global $Rck = 1 2", "syntax error, unexpected T_NUM"},
        {".PCM V1 = 5", "syntax error, unexpected T_NUM, expecting T_LITERAL"},
        {".Global $RampEn = Yes", "syntax error, unexpected T_USR_VAR, expecting T_LITERAL"},
        {".Section[1] $Groups = V1 (8000) 0", "syntax error, unexpected T_NUM, expecting ':'"},
        {".Global $Edge", "syntax error, unexpected T_EDGE"},
        {".Global $Rck =", "syntax error, unexpected '\\n'"},
        {"Foo = 1", "syntax error, unexpected '='"},
        {"# comment", "syntax error, unexpected $undefined"},
        {".Global $Rck = 1 $Offset = 0", "syntax error, unexpected T_OFFSET"},
        {".Section[1] $Edge = \"Yes\" ,",
         "syntax error, unexpected ',', expecting T_REMARK or '\\n'"},
    };
    for (const Case& c : cases) {
        auto [message, error] = messages_for(c.line);
        EXPECT_EQ(message, c.message) << c.line;
        EXPECT_EQ(error, "*Error Line1: Syntax Error.") << c.line;
    }
}

TEST(ParserMessages, LinesThatCannotBeginALine) {
    for (const char* line :
         {"Foo = 1", "= 1", "5", "# x", "$Edge = \"Yes\"", "$Rck = 5", "\"x\"", ",", "%1", "$1"}) {
        TempDir dir;
        CompileRun run =
            compile_script(dir, std::string(line) + "\n.Global $Rck = 7\n.Global $Offset = =\n");
        auto lines = text_lines(run.out);
        EXPECT_EQ(run.code, -3) << line;
        // The first line fails alone; the second still takes effect; the third fails too.
        EXPECT_EQ(lines[5], "*Error Line1: Syntax Error.") << line;
        EXPECT_EQ(lines.back(), "Complete with 2 Errors ") << line;
        EXPECT_EQ(gen_state.rck, 7) << line;
    }
}

TEST(ParserRecovery, EachBadLineReportedOnceAndNothingOfItApplies) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".Global $Rck = 1 2\n"
                                         ".Global $Offset = 10 ; fine\n"
                                         ".Global $Rck = (Missing + 2 3\n"
                                         "\n"
                                         "   \t \n"
                                         "; only a comment\n");
    auto lines = text_lines(run.out);
    ASSERT_EQ(lines.size(), 10u) << run.out;
    EXPECT_EQ(lines[4], "syntax error, unexpected T_NUM");
    EXPECT_EQ(lines[5], "*Error Line1: Syntax Error.");
    // Reports of operands already read on a bad line stand.
    EXPECT_EQ(lines[6], "*Error Line3: Const <Missing> Undefined.");
    EXPECT_EQ(lines[7], "syntax error, unexpected T_NUM");
    EXPECT_EQ(lines[8], "*Error Line3: Syntax Error.");
    EXPECT_EQ(lines[9], "Complete with 3 Errors ");
    EXPECT_EQ(gen_state.rck, 0);
    EXPECT_EQ(gen_state.image_offset, 10);
}

TEST(ParserLimits, DeepNestingWithinTheStackCompiles) {
    TempDir dir;
    std::string deep = std::string(3000, '(') + "7" + std::string(3000, ')');
    CompileRun run = compile_script(dir, ".Global $Offset = " + deep + "\n");
    EXPECT_EQ(run.code, 0) << run.out.substr(0, 300);
    EXPECT_EQ(gen_state.image_offset, 7);
}

TEST(ParserLimits, NestingBeyondTheStackGivesUp) {
    TempDir dir;
    std::string deep = std::string(12000, '-') + "7";
    CompileRun run = compile_script(dir, ".Global $Offset = " + deep + "\n.Global $Rck = 1\n");
    auto lines = text_lines(run.out);
    EXPECT_EQ(run.code, -3);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4], "memory exhausted");
    EXPECT_EQ(lines[5], "Complete with 2 Errors ");
    EXPECT_EQ(gen_state.rck, 0);
}

} // namespace
