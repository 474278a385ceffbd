// The scanner's rules: tokens, values, line numbers and line ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gen_state.h"
#include "parser.hh"
#include "scanner.h"
#include "test_support.h"

int yylex(void);

namespace {

struct Tok {
    int token;
    std::string value; // number, digit or text, empty for tokens without a value
    int line;
    bool operator==(const Tok& o) const {
        return token == o.token && value == o.value && line == o.line;
    }
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
    return os << "{" << t.token << " '" << t.value << "' L" << t.line << "}";
}

// Scans `text` to the end of input and returns every token, the end included.
std::vector<Tok> scan(const std::string& text) {
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("s.log"), text);
    gen_state.script_file = fopen(dir.file("s.log").c_str(), "r");
    Reset_yylex();
    std::vector<Tok> tokens;
    for (int guard = 0; guard < 10000; ++guard) {
        int t = yylex();
        std::string value;
        if (t == T_NUM || t == T_PARM_NUM || t == T_PARM_LITERAL)
            value = std::to_string(yylval.ival);
        if (t == T_LITERAL || t == T_USR_VAR) value = yylval.text;
        tokens.push_back({t, value, yylloc.first_line});
        if (t == 0) break;
    }
    fclose(gen_state.script_file);
    gen_state.script_file = nullptr;
    release_scanner();
    return tokens;
}

// The tokens without the two end tokens and without line numbers.
std::vector<std::pair<int, std::string>> body(const std::string& text) {
    std::vector<std::pair<int, std::string>> out;
    for (const Tok& t : scan(text))
        if (t.token != '\n' && t.token != 0) out.emplace_back(t.token, t.value);
    return out;
}

using P = std::pair<int, std::string>;

TEST(ScannerNumbers, BasesSuffixesAndLongestMatch) {
    EXPECT_EQ(body("101b"), (std::vector<P>{{T_NUM, "5"}}));
    EXPECT_EQ(body("1b1"), (std::vector<P>{{T_NUM, "1"}, {T_NUM, "1"}}));
    EXPECT_EQ(body("10b2"), (std::vector<P>{{T_NUM, "2"}, {T_NUM, "2"}}));
    EXPECT_EQ(body("0bh 0Bh"), (std::vector<P>{{T_NUM, "11"}, {T_NUM, "11"}}));
    EXPECT_EQ(body("12d 12D"), (std::vector<P>{{T_NUM, "12"}, {T_NUM, "12"}}));
    EXPECT_EQ(body("12dh"), (std::vector<P>{{T_NUM, "301"}}));
    EXPECT_EQ(body("0FFh FFh"), (std::vector<P>{{T_NUM, "255"}, {T_USR_VAR, "FFh"}}));
    EXPECT_EQ(body("1e5"), (std::vector<P>{{T_NUM, "1"}, {T_USR_VAR, "e5"}}));
    EXPECT_EQ(body("1.5"), (std::vector<P>{{T_NUM, "1"}, {T_UNKNOW, ""}, {T_NUM, "5"}}));
    EXPECT_EQ(body("-5"), (std::vector<P>{{'-', ""}, {T_NUM, "5"}}));
}

TEST(ScannerNumbers, WrapInThirtyTwoBits) {
    EXPECT_EQ(body("0FFFFFFFFh"), (std::vector<P>{{T_NUM, "-1"}}));
    EXPECT_EQ(body("100000000h"), (std::vector<P>{{T_NUM, "0"}}));
    EXPECT_EQ(body("4294967297"), (std::vector<P>{{T_NUM, "1"}}));
}

TEST(ScannerKeywords, AnyCaseAndNoSeparatorNeeded) {
    for (const char* k : {"$rampen", "$RAMPEN", "$RampEn"})
        EXPECT_EQ(body(k), (std::vector<P>{{T_RAMPEN, ""}})) << k;
    EXPECT_EQ(body(".section .SECTION .Section"),
              (std::vector<P>{{T_SECTION, ""}, {T_SECTION, ""}, {T_SECTION, ""}}));
    EXPECT_EQ(body(".PCMX"), (std::vector<P>{{T_PCM, ""}, {T_USR_VAR, "X"}}));
    EXPECT_EQ(body("$Offsets"), (std::vector<P>{{T_OFFSET, ""}, {T_USR_VAR, "s"}}));
    EXPECT_EQ(body(".define .ADPCM .EQ01 .Silence .Global $Cpu $Encoder $MaxSize $SbtMax "
                   "$Edge $Hold $ReTrg $GrpAdr $Rck $FuncCode $Groups"),
              (std::vector<P>{{T_DEFEINE, ""},
                              {T_ADPCM, ""},
                              {T_EQ01, ""},
                              {T_SILENCE, ""},
                              {T_GLOBAL, ""},
                              {T_CPU, ""},
                              {T_ENCODER, ""},
                              {T_MAXSIZE, ""},
                              {T_SBTMAX, ""},
                              {T_EDGE, ""},
                              {T_HOLD, ""},
                              {T_RETRG, ""},
                              {T_GRPADR, ""},
                              {T_RCK, ""},
                              {T_FUNCCODE, ""},
                              {T_GROUPS, ""}}));
}

TEST(ScannerParameters, DollarAndPercentTakeOneDigit) {
    EXPECT_EQ(body("%3"), (std::vector<P>{{T_PARM_NUM, "3"}}));
    EXPECT_EQ(body("%a"), (std::vector<P>{{T_UNKNOW, ""}, {T_USR_VAR, "a"}}));
    EXPECT_EQ(body("$a"), (std::vector<P>{{'$', ""}, {T_USR_VAR, "a"}}));
    EXPECT_EQ(body("$10"), (std::vector<P>{{T_PARM_LITERAL, "1"}, {T_NUM, "0"}}));
}

TEST(ScannerText, LiteralsIdentifiersAndSingleCharacters) {
    EXPECT_EQ(body("\"a b\tc\" _x9"),
              (std::vector<P>{{T_LITERAL, "\"a b\tc\""}, {T_USR_VAR, "_x9"}}));
    EXPECT_EQ(body("\"open"), (std::vector<P>{{T_UNKNOW, ""}, {T_USR_VAR, "open"}}));
    EXPECT_EQ(body("#define"), (std::vector<P>{{'#', ""}, {T_USR_VAR, "define"}}));
    std::vector<P> singles;
    for (char c : std::string("=[]():-+*/|&^,$"))
        singles.emplace_back(c, "");
    EXPECT_EQ(body("=[]():-+*/|&^,$"), singles);
    EXPECT_EQ(body(std::string("\x01\x80\xff.", 4)),
              (std::vector<P>{{T_UNKNOW, ""}, {T_UNKNOW, ""}, {T_UNKNOW, ""}, {T_UNKNOW, ""}}));
}

TEST(ScannerText, OverlongNameIsRefusedNotOverrun) {
    for (size_t length : {1024, 2000}) {
        auto tokens = body(std::string(length, 'a'));
        ASSERT_EQ(tokens.size(), 1u) << length;
        EXPECT_EQ(tokens[0].first, T_UNKNOW) << length;
    }
    std::string fits(1023, 'b');
    EXPECT_EQ(body(fits), (std::vector<P>{{T_USR_VAR, fits}}));
}

TEST(ScannerLines, EveryLineEndKindCountsOneLine) {
    for (const char* end : {"\r\n", "\n", "\r", "\n\r"}) {
        std::string text = std::string("A") + end + "B";
        EXPECT_EQ(scan(text), (std::vector<Tok>{{T_USR_VAR, "A", 1},
                                                {'\n', "", 2},
                                                {T_USR_VAR, "B", 2},
                                                {'\n', "", 2},
                                                {0, "", 2}}))
            << "line end " << testsupport::hex(end);
    }
    auto tokens = scan("A\r\rB");
    EXPECT_EQ(tokens[3], (Tok{T_USR_VAR, "B", 3}));
    // LF CR LF is LF CR, then LF.
    tokens = scan("A\n\r\nB");
    EXPECT_EQ(tokens[3], (Tok{T_USR_VAR, "B", 3}));
}

TEST(ScannerLines, CommentRunsToTheNextLineFeed) {
    auto tokens = scan(";note\r.Global\nX");
    EXPECT_EQ(tokens[0].token, T_REMARK);
    EXPECT_EQ(tokens[1], (Tok{'\n', "", 2}));
    EXPECT_EQ(tokens[2], (Tok{T_USR_VAR, "X", 2}));
}

TEST(ScannerLines, EndOfScriptGivesOneLineEndThenEnd) {
    EXPECT_EQ(scan(""), (std::vector<Tok>{{'\n', "", 1}, {0, "", 1}}));
    auto tokens = scan("X");
    EXPECT_EQ(tokens, (std::vector<Tok>{{T_USR_VAR, "X", 1}, {'\n', "", 1}, {0, "", 1}}));
}

TEST(ScannerLines, ResetStartsAgainFromTheFirstByte) {
    testsupport::TempDir dir;
    testsupport::write_file(dir.file("s.log"), "A\nB");
    gen_state.script_file = fopen(dir.file("s.log").c_str(), "r");
    for (int pass = 0; pass < 2; ++pass) {
        Reset_yylex();
        std::vector<int> tokens;
        for (int t = yylex(); t != 0; t = yylex())
            tokens.push_back(t);
        EXPECT_EQ(tokens, (std::vector<int>{T_USR_VAR, '\n', T_USR_VAR, '\n'}));
        EXPECT_EQ(yylloc.first_line, 2);
    }
    fclose(gen_state.script_file);
    gen_state.script_file = nullptr;
    release_scanner();
}

TEST(ParseNumberText, FormsOfAScriptParameter) {
    struct Case {
        const char* text;
        int code;
        int value;
    } cases[] = {
        {"\"1Fh\"", 0, 31}, {"12", 0, 12},    {"12d", 0, 12},       {"101b", 0, 5},
        {"FFh", 0, 255},    {"h", 0, 0},      {"ffffffffh", 0, -1}, {"12x", -11, -1},
        {"1Gh", -11, -1},   {"-1", -11, -1},  {"", -11, -1},        {"\"\"", -11, -1},
        {"12b", -11, -1},   {"1 2", -11, -1},
    };
    for (const Case& c : cases) {
        int value = 1234;
        EXPECT_EQ(parse_number_text(c.text, &value), c.code) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    std::string longest(255, '1');
    int value = 0;
    EXPECT_EQ(parse_number_text((longest + "b").c_str(), &value), -11);
    EXPECT_EQ(parse_number_text(longest.c_str(), &value), 0);
}

} // namespace
