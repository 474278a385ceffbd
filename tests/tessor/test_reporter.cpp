// The error reporter: message texts and what each pass prints and counts.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

#include "gen_state.h"
#include "report.h"

namespace {

struct Reported {
    std::string out;
    int counted;
};

Reported report(int pass, int code, int line, const char* text) {
    gen_state.pass = pass;
    gen_state.error_count = 0;
    testing::internal::CaptureStdout();
    report_error(code, line, text);
    Reported r{testing::internal::GetCapturedStdout(), gen_state.error_count};
    return r;
}

TEST(Reporter, MessagesKeepTheirBlanksAndTexts) {
    EXPECT_EQ(report(1, -9, 7, nullptr).out, "*Error Line7: Invalid Sector number .\n");
    EXPECT_EQ(report(1, -8, 3, "\"a.wav\"").out, "*Error Line3: file <\"a.wav\"> open error .\n");
    EXPECT_EQ(report(1, -14, 2, nullptr).out, "*Error Line2: Fatel Read  Operation.\n");
    EXPECT_EQ(report(1, -10, 2, nullptr).out,
              "*Error Line2: Only \"yes\" or \"no\" is valid option .\n");
    EXPECT_EQ(report(1, -3, 2, "RATE").out, "*Error Line2: Const <RATE> Redefined.\n");
    EXPECT_EQ(report(2, -15, 9, "V0001").out, "*Error Line9: Group <V0001> Undefined.\n");
    // The text goes in whole, however long.
    std::string name(3000, 'n');
    EXPECT_EQ(report(1, -4, 1, name.c_str()).out,
              "*Error Line1: Const <" + name + "> Undefined.\n");
}

TEST(Reporter, PassOneOnlyChecksAreSilentInPassTwo) {
    for (int code : {-2, -3, -4, -6, -9, -10, -11}) {
        EXPECT_EQ(report(1, code, 1, "x").counted, 1) << code;
        Reported second = report(2, code, 1, "x");
        EXPECT_EQ(second.counted, 0) << code;
        EXPECT_EQ(second.out, "") << code;
    }
    for (int code : {-5, -8, -13, -14, -15, -16, -17, -18, -19, -20}) {
        EXPECT_EQ(report(1, code, 1, "x").counted, 1) << code;
        EXPECT_EQ(report(2, code, 1, "x").counted, 1) << code;
    }
}

TEST(Reporter, BadWaveHeaderIsReportedOnlyWhenItsDataAreWritten) {
    Reported first = report(1, -12, 4, nullptr);
    EXPECT_EQ(first.out, "");
    EXPECT_EQ(first.counted, 0);
    Reported second = report(2, -12, 4, nullptr);
    EXPECT_EQ(second.out, "*Error Line4: Invalid or un-supported wave file.\n");
    EXPECT_EQ(second.counted, 1);
}

TEST(Reporter, PlainLinesUnknownCodesAndSuccess) {
    Reported marker = report(1, 1, 0, "=<< PASS 1 >>==");
    EXPECT_EQ(marker.out, "=<< PASS 1 >>==\n");
    EXPECT_EQ(marker.counted, 0);
    for (int pass : {1, 2})
        for (int code : {-1, -7, -99, 2}) {
            Reported r = report(pass, code, 5, "x");
            EXPECT_EQ(r.out, "Internal Error !! What happens?\n") << code;
            EXPECT_EQ(r.counted, 1);
        }
    Reported ok = report(1, 0, 5, "x");
    EXPECT_EQ(ok.out, "");
    EXPECT_EQ(ok.counted, 0);
}

// The section and link lines are built piece by piece; each piece must print
// as the printf conversion it stands for, at the edges of its range too.
TEST(ConsoleLines, PiecesPrintAsTheirPrintfConversions) {
    std::string expected;
    char text[64];
    testing::internal::CaptureStdout();
    for (int value : {0, 7, -7, 1023, 12345, INT_MIN, INT_MAX})
        for (int width : {0, 3, 4}) {
            ConsoleLine().decimal(value, width).text("|").zero_padded(value, width).print();
            snprintf(text, sizeof text, "%*d|%0*d\n", width, value, width, value);
            expected += text;
        }
    for (unsigned flags : {0x0u, 0x4u, 0x84u, 0xC1u, 0x1FFu}) {
        ConsoleLine().hex2(flags).print();
        snprintf(text, sizeof text, "%02X\n", flags);
        expected += text;
    }
    for (const char* name : {"", "E", "V0001", "ABCDEFGHIJ"}) {
        ConsoleLine().left(name, 9).text(")").print();
        snprintf(text, sizeof text, "%-9s)\n", name);
        expected += text;
    }
    // A line longer than the piece buffer goes out whole, in order.
    const std::string name(3000, 'n');
    ConsoleLine().text("<").left(name, 9).text(">").print();
    expected += "<" + name + ">\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
}

} // namespace
