// Global options and section attributes taken in pass 1.
#include <gtest/gtest.h>

#include "compile_fixture.h"
#include "gen_state.h"
#include "options.h"

namespace {

using testsupport::TempDir;

// Compiles `script` and returns its error lines.
std::vector<std::string> errors_of(const std::string& script,
                                   const std::vector<std::string>& extra = {}) {
    TempDir dir;
    CompileRun run = compile_script(dir, script, extra);
    std::vector<std::string> errors;
    for (const auto& line : text_lines(run.out))
        if (line.rfind("*Error", 0) == 0 || line.rfind("syntax", 0) == 0) errors.push_back(line);
    return errors;
}

using Lines = std::vector<std::string>;

TEST(RampEn, YesNoInAnyCaseOtherwiseRefused) {
    EXPECT_EQ(errors_of(".Global $RampEn = \"No\"\n"), Lines{});
    EXPECT_EQ(gen_state.ramp_en & 0x80, 0);
    EXPECT_EQ(errors_of(".Global $RampEn = \"No\"\n.Global $RampEn = \"yes\"\n"), Lines{});
    EXPECT_EQ(gen_state.ramp_en & 0x80, 0x80);
    EXPECT_EQ(errors_of(".Global $RampEn = \"No\"\n.Global $RampEn = \"Y\"\n"),
              Lines{"*Error Line2: Only \"yes\" or \"no\" is valid option ."});
    EXPECT_EQ(gen_state.ramp_en & 0x80, 0);
    EXPECT_EQ(errors_of(".Global $RampEn = \" No\"\n").size(), 1u);
    EXPECT_EQ(errors_of(""), Lines{});
    EXPECT_EQ(gen_state.ramp_en & 0x80, 0x80);
}

TEST(GrpAdr, OneToFour) {
    EXPECT_EQ(errors_of(".Global $GrpAdr = 4\n"), Lines{});
    EXPECT_EQ(errors_of(".Global $GrpAdr = 0\n"), Lines{"*Error Line1: Invalid GrpAdr."});
    EXPECT_EQ(errors_of(".Global $GrpAdr = 5\n"), Lines{"*Error Line1: Invalid GrpAdr."});
    EXPECT_EQ(gen_state.grp_adr, 5);
}

TEST(Cpu, ModelTablePrefixMatch) {
    // Names a model's name begins with, names that are none, and every model
    // of the table by its own name.
    struct Case {
        const char* literal;
        int code;
        int size;
    } cases[] = {
        {"\"Qiph42\"", 0, 0x20000},      {"\"qiph3kany\"", 0, 0x100000},
        {"\"Qiph10 board\"", 0, 0x8000}, {"\"QIPH3K170\"", 0, 0x80000},
        {"\"Qiph1\"", -17, 10000000},    {"\"Qiph\"", -17, 10000000},
        {"\"\"", -17, 10000000},         {"\"", -17, 10000000},
        {"\"Qiph10\"", 0, 0x8000},       {"\"Qiph21\"", 0, 0x10000},
        {"\"Qiph42\"", 0, 0x20000},      {"\"Qiph85\"", 0, 0x40000},
        {"\"Qiph170\"", 0, 0x80000},     {"\"Qiph341\"", 0, 0x100000},
        {"\"QiphAny\"", 0, 0x100000},    {"\"Qiph3k10\"", 0, 0x8000},
        {"\"Qiph3k21\"", 0, 0x10000},    {"\"Qiph3k42\"", 0, 0x20000},
        {"\"Qiph3k85\"", 0, 0x40000},    {"\"Qiph3k170\"", 0, 0x80000},
        {"\"Qiph3k341\"", 0, 0x100000},  {"\"Qiph3kAny\"", 0, 0x100000},
    };
    for (const Case& c : cases) {
        gen_state.cpu_mem_size = 10000000;
        EXPECT_EQ(select_cpu(c.literal), c.code) << c.literal;
        EXPECT_EQ(gen_state.cpu_mem_size, c.size) << c.literal;
    }
    EXPECT_EQ(errors_of(".Global $Cpu = $3\n", {"Qiph85"}), Lines{});
    EXPECT_EQ(gen_state.cpu_mem_size, 0x40000);
    EXPECT_EQ(errors_of(".Global $Cpu = \"Qiph\"\n"), Lines{"*Error Line1: Unknow CPU Type."});
}

TEST(Encoder, EachLineReplacesTheWholeSetting) {
    struct Case {
        const char* line;
        std::vector<std::string> extra;
        const char* error;
        int bits, enabled, mu;
    } cases[] = {
        {".Global $Encoder = 5 \"EQ01\" 26", {}, nullptr, 5, 1, 26},
        {".Global $Encoder = 5 \"eq01\" 26", {}, nullptr, 5, 1, 26},
        {".define MU = 26\n.Global $Encoder = 5 \"EQ01\" MU", {}, nullptr, 5, 1, 26},
        {".Global $Encoder = 5 $3 26", {"eq01"}, nullptr, 5, 1, 26},
        {".Global $Encoder = 4 \"EQ01\" 26", {}, "Invalid Encoder bits", 0, 0, 0},
        {".Global $Encoder = 5 \"EQ02\" 26", {}, "Invalid Encoder Algorithm", 5, 0, 0},
        {".Global $Encoder = 5 \"EQ01\" 0", {}, "Encoder Parameter must be 1 or more", 5, 0, 0},
        {".Global $Encoder = 5 \"EQ01\" -3", {}, "Encoder Parameter must be 1 or more", 5, 0, 0},
    };
    for (const Case& c : cases) {
        auto errors = errors_of(std::string(c.line) + "\n", c.extra);
        if (c.error) {
            ASSERT_EQ(errors.size(), 1u) << c.line;
            EXPECT_NE(errors[0].find(c.error), std::string::npos) << c.line;
        } else {
            EXPECT_EQ(errors, Lines{}) << c.line;
        }
        EXPECT_EQ(gen_state.encoder_bits, c.bits) << c.line;
        EXPECT_EQ(gen_state.eq01_enabled, c.enabled) << c.line;
        EXPECT_EQ(gen_state.eq01_mu, c.mu) << c.line;
    }
}

TEST(Sections, NumbersOneTo1023) {
    EXPECT_EQ(
        errors_of(".Section[0] $Edge = \"Yes\"\n.Section[1024] $Edge = \"Yes\"\n"),
        (Lines{"*Error Line1: Invalid Sector number .", "*Error Line2: Invalid Sector number ."}));
    EXPECT_EQ(gen_state.max_section, 0);
    EXPECT_EQ(errors_of(".Section[1023] $Edge = \"Yes\"\n.Section[2*2] $Hold = \"Yes\"\n"
                        ".Section[4] $Hold = \"No\"\n.Section[4] $ReTrg = \"yes\"\n"),
              Lines{});
    EXPECT_EQ(gen_state.section_flags[1023], 1);
    EXPECT_EQ(gen_state.section_flags[4], 4);
    EXPECT_EQ(gen_state.max_section, 1023);
}

TEST(Sections, BadYesNoStillRaisesMaxSection) {
    EXPECT_EQ(errors_of(".Section[5] $ReTrg = \"Maybe\"\n"),
              Lines{"*Error Line1: Only \"yes\" or \"no\" is valid option ."});
    EXPECT_EQ(gen_state.max_section, 5);
    EXPECT_EQ(gen_state.section_flags[5], 0);
}

TEST(Sections, GroupsCountLinksToEarlierVoices) {
    EXPECT_EQ(errors_of(".define R = 8000\n.Silence V0001 = 8\n"
                        ".Section[1] $Groups = V0001 (R) :0\n"
                        ".Section[7] $Groups = v0001 (R) :0\n.Section[7] $Groups = V0001 (R) :1\n"
                        ".Section[7] $Groups = V0001 (R) :0\n"),
              Lines{});
    EXPECT_EQ(gen_state.section_link_count[1], 1);
    EXPECT_EQ(gen_state.section_link_count[7], 3);
    EXPECT_EQ(gen_state.section_links_written[7], 3);
    EXPECT_EQ(errors_of(".Section[1] $Groups = Later (8000) :0\n.Silence Later = 8\n"),
              Lines{"*Error Line1: Group <Later> Undefined."});
    EXPECT_EQ(gen_state.section_link_count[1], 0);
}

TEST(Sections, GroupsNameSurvivesConstantsLaterOnItsLine) {
    EXPECT_EQ(errors_of(".define Rate = 8000\n.define Busy = 1\n.Silence Voice = 8\n"
                        ".Section[1] $Groups = Voice (Rate) :Busy\n"),
              Lines{});
    EXPECT_EQ(gen_state.section_link_count[1], 1);
}

} // namespace
