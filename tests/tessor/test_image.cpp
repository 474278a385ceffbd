// The Data Memory File: header, section table, link entries and the report.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "compile.h"
#include "compile_fixture.h"
#include "gen_state.h"

namespace {

using testsupport::hex;
using testsupport::TempDir;
using testsupport::write_wav;

std::string globals(int sbt_max) {
    return ".Global       $Rck      = 8000000\n"
           ".Global       $Encoder  = 5 \"EQ01\" 26\n"
           ".Global       $Offset   = 0000h\n"
           ".Global       $RampEn   = \"No\"\n"
           ".Global       $FuncCode = 16\n"
           ".Global       $SbtMax   = " +
           std::to_string(sbt_max) + "\n";
}

std::string section_block(int k, const std::string& groups) {
    char head[32];
    snprintf(head, sizeof head, ".Section[%3d] ", k);
    std::string h = head;
    return h + "$Edge     = \"No\"\n" + h + "$Hold     = \"No\"\n" + h + "$ReTrg    = \"Yes\"\n" +
           h + "$Groups   = " + groups + "\n;" + std::string(99, '-') + "\n";
}

const char* const kMu26Levels =
    "00 0E 24 36 45 51 5B 63 69 6E 73 76 79 7B 7D 7F 80 81 83 85 88 8B 8F 94 9A A2 AC B8 C7 D9 "
    "F1 FF";

TEST(ImageHeader, EditorScriptWithOneLinkPerSection) {
    TempDir dir;
    write_wav(dir.file("a.wav"), std::vector<uint8_t>(100, 0x40));
    std::string sections = section_block(1, "V0001  ( 8000) :0");
    for (int k = 2; k <= 256; ++k)
        sections += section_block(k, "DefSil (8000) :0");
    std::string voices = ".PCM          V0001     = \"" + dir.file("a.wav") + "\"\n";
    CompileRun run = compile_script(dir, editor_script(globals(3), voices, sections));
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(hex(run.image, 0, 16), "10 02 00 FF 01 30 00 00 FF 30 04 00 FF 30 0C 00");
    EXPECT_EQ(hex(run.image, 16, 32), kMu26Levels);
    // Section entries at 48..1071: ReTrg set, link tables 8 bytes apart from 0x430.
    EXPECT_EQ(hex(run.image, 48, 8), "04 30 04 00 04 38 04 00");
    EXPECT_EQ(hex(run.image, 48 + 4 * 255, 4), "04 28 0C 00");
    // Section 1's link: PCM, last, rate 125, start 0xC30, count -100.
    EXPECT_EQ(hex(run.image, 0x430, 8), "81 7D 30 0C 00 9C FF FF");
    // Section 2's silence link points at the voice data with count -8.
    EXPECT_EQ(hex(run.image, 0x438, 8), "80 7D 30 0C 00 F8 FF FF");
    ASSERT_EQ(run.image.size(), 0xC30u + 100);
    EXPECT_EQ(run.image.substr(0xC30), std::string(100, 0x40));
    EXPECT_EQ(gen_state.max_section, 256);
    EXPECT_EQ(gen_state.eq01_mu, 26);
}

TEST(ImageHeader, ReportLinesAndSectionLines) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".Silence S = 8\n"
                                         ".Global $GrpAdr = 2\n"
                                         ".Section[2] $Edge = \"yes\"\n"
                                         ".Section[2] $Hold = \"YES\"\n"
                                         ".Section[2] $Groups = S (1) :0\n");
    ASSERT_EQ(run.code, 0) << run.out;
    auto lines = text_lines(run.out);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.begin() + 12),
              (std::vector<std::string>{"GrpAdr      = 2 bytes", "MaxSize     = 989680 (hex)",
                                        "Offset      = 0 (hex)", "Max Section = 2",
                                        "RampEn      = Yes.", "Internal error",
                                        "<Sectin 0001> Level , UnHold, NonRtg, Groups = 0",
                                        "<Sectin 0002> Edge  , Hold  , NonRtg, Groups = 1"}));
    EXPECT_EQ(lines[13], "Section[  2]: Link Silence S         (80*)");
}

TEST(SectionTable, NumbersNoLineNamesGetEmptyEntries) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".Silence S = 8\n"
                                         ".Section[3] $ReTrg = \"Yes\"\n"
                                         ".Section[3] $Groups = S (8000) :0\n"
                                         ".Section[1] $Groups = S (8000) :0\n");
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(gen_state.max_section, 3);
    // Link area at 48 + 12 = 0x3C; section 2 is empty, so it shares section 3's address.
    EXPECT_EQ(hex(run.image, 48, 12), "00 3C 00 00 00 44 00 00 04 44 00 00");
    EXPECT_EQ(hex(run.image, 9, 7), "3C 00 00 FF 4C 00 00");
}

TEST(SectionTable, NoSectionsAtAll) {
    TempDir dir;
    write_wav(dir.file("a.wav"), {1, 2, 3});
    CompileRun run = compile_script(dir, voice_line(".PCM", "A", dir.file("a.wav")));
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(gen_state.max_section, 0);
    EXPECT_EQ(hex(run.image, 5, 11), "30 00 00 FF 30 00 00 FF 30 00 00");
    EXPECT_EQ(hex(run.image, 48), "01 02 03");
}

TEST(ImageStream, LargeBufferHoldsVoiceBytesUntilFlushed) {
    // A buffer the stream ignored would leave it at the C library's 4 KiB and
    // cost a write call for every 4 KiB of voice data.
    TempDir dir;
    FILE* file = fopen(dir.file("s.data").c_str(), "w+b");
    ASSERT_TRUE(file);
    static stream_buffer buffer;
    use_large_buffer(file, buffer);
    const std::string block(1000, 'v');
    for (int i = 0; i < 60; ++i)
        fwrite(block.data(), 1, block.size(), file);
    struct stat st {};
    ASSERT_EQ(fstat(fileno(file), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    ASSERT_EQ(fflush(file), 0);
    ASSERT_EQ(fstat(fileno(file), &st), 0);
    EXPECT_EQ(st.st_size, 60000);
    fclose(file);
}

TEST(Addressing, OffsetMovesChipAddressesNotFilePositions) {
    TempDir dir;
    write_wav(dir.file("a.wav"), {9, 8, 7});
    CompileRun run = compile_script(dir, ".Global $Offset = 1000h\n" +
                                             voice_line(".PCM", "A", dir.file("a.wav")) +
                                             ".Section[1] $Groups = A (8000) :0\n");
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(hex(run.image, 5, 11), "30 10 00 FF 34 10 00 FF 3C 10 00");
    EXPECT_EQ(hex(run.image, 48, 4), "00 34 10 00");
    EXPECT_EQ(hex(run.image, 0x34, 8), "81 00 3C 10 00 FD FF FF");
    EXPECT_EQ(hex(run.image, 0x3C), "09 08 07");
    EXPECT_NE(run.out.find("Offset      = 1000 (hex)"), std::string::npos);
}

TEST(Addressing, ChipAddressesWrapButFilePositionsDoNot) {
    TempDir dir;
    write_wav(dir.file("a.wav"), {9, 8, 7});
    CompileRun run = compile_script(dir, ".Global $Offset = 7FFFFFF0h\n" +
                                             voice_line(".PCM", "A", dir.file("a.wav")) +
                                             ".Section[1] $Groups = A (8000) :0\n");
    // The image is complete and in place; only the size check fails, since
    // the room left above such an offset is negative.
    EXPECT_EQ(run.code, -3);
    EXPECT_NE(run.out.find("Errors: Exceed MaxSize"), std::string::npos);
    EXPECT_EQ(hex(run.image, 5, 3), "20 00 00");
    EXPECT_EQ(hex(run.image, 52, 8), "81 00 2C 00 00 FD FF FF");
    EXPECT_EQ(hex(run.image, 60), "09 08 07");
}

TEST(Addressing, GrpAdrSetsTheWidthOfLinkFields) {
    struct Case {
        int width;
        const char* entry;
    } cases[] = {
        {1, "81 00 38 FD"},
        {2, "81 00 3A 00 FD FF"},
        {3, "81 00 3C 00 00 FD FF FF"},
        {4, "81 00 3E 00 00 00 FD FF FF FF"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        write_wav(dir.file("a.wav"), {1, 2, 3});
        CompileRun run = compile_script(dir, ".Global $GrpAdr = " + std::to_string(c.width) + "\n" +
                                                 voice_line(".PCM", "A", dir.file("a.wav")) +
                                                 ".Section[1] $Groups = A (8000) :0\n");
        ASSERT_EQ(run.code, 0) << run.out;
        EXPECT_EQ(hex(run.image, 52, 2 + 2 * c.width), c.entry) << c.width;
    }
}

TEST(Addressing, NarrowFieldsKeepOnlyTheLowBytes) {
    TempDir dir;
    write_wav(dir.file("a.wav"), std::vector<uint8_t>(300, 1));
    write_wav(dir.file("b.wav"), {5});
    CompileRun run =
        compile_script(dir, ".Global $GrpAdr = 1\n" + voice_line(".PCM", "A", dir.file("a.wav")) +
                                voice_line(".PCM", "B", dir.file("b.wav")) +
                                ".Section[1] $Groups = A (8000) :0\n"
                                ".Section[1] $Groups = B (8000) :0\n");
    ASSERT_EQ(run.code, 0) << run.out;
    // Voice data at 0x3C; B starts at 0x3C + 300 = 0x168: only 0x68 is kept.
    EXPECT_EQ(hex(run.image, 52, 8), "01 00 3C D4 81 00 68 FF");
}

TEST(Links, FlagsMarksAndBusyBit) {
    TempDir dir;
    write_wav(dir.file("a.wav"), {1});
    CompileRun run = compile_script(dir, voice_line(".PCM", "A", dir.file("a.wav")) +
                                             ".Section[7] $Groups = A (8000) :0\n"
                                             ".Section[7] $Groups = A (8000) :1\n"
                                             ".Section[7] $Groups = A (8000) :2-2\n");
    ASSERT_EQ(run.code, 0) << run.out;
    auto lines = text_lines(run.out);
    std::vector<std::string> links;
    for (const auto& l : lines)
        if (l.rfind("Section[", 0) == 0) links.push_back(l);
    EXPECT_EQ(links, (std::vector<std::string>{"Section[  7]: Link Pcm     A         (01 )",
                                               "Section[  7]: Link Pcm     A         (01 )",
                                               "Section[  7]: Link Pcm     A         (81*)"}));
    size_t link_area = 48 + 4 * 7;
    EXPECT_EQ(hex(run.image, link_area, 1), "01");
    EXPECT_EQ(hex(run.image, link_area + 8, 1), "41");
    EXPECT_EQ(hex(run.image, link_area + 16, 1), "81");
}

TEST(Links, RateBytes) {
    struct Case {
        const char* rck;
        const char* rate;
        const char* byte;
    } cases[] = {
        {"8000000", "8000", "7D"},  {"8000000", "3906", "00"}, {"8000000", "3907", "FF"},
        {"8000000", "-8000", "83"}, {"", "8000", "00"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string rck = *c.rck ? std::string(".Global $Rck = ") + c.rck + "\n" : "";
        CompileRun run = compile_script(dir, rck + ".Silence S = 1\n.Section[1] $Groups = S (" +
                                                 c.rate + ") :0\n");
        ASSERT_EQ(run.code, 0) << run.out;
        EXPECT_EQ(hex(run.image, 53, 1), c.byte) << c.rate;
    }
}

TEST(Links, RateOfZeroIsACountedErrorOfItsLine) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".Silence S = 1\n.Section[1] $Groups = S (4-4) :0\n");
    EXPECT_EQ(run.code, -3);
    EXPECT_NE(run.out.find("*Error Line2: Group rate must not be 0."), std::string::npos);
    EXPECT_TRUE(run.image.empty());
}

TEST(Links, SampleCountsByVoiceType) {
    TempDir dir;
    write_wav(dir.file("five.wav"), {128, 200, 255, 0, 0});
    write_wav(dir.file("nine.wav"), std::vector<uint8_t>(9, 128));
    CompileRun run = compile_script(dir, ".Global $Encoder = 5 \"EQ01\" 26\n" +
                                             voice_line(".ADPCM", "A", dir.file("five.wav")) +
                                             voice_line(".EQ01", "E", dir.file("nine.wav")) +
                                             ".Section[1] $Groups = A (8000) :0\n"
                                             ".Section[1] $Groups = E (8000) :0\n");
    ASSERT_EQ(run.code, 0) << run.out;
    // Voice data at 48 + 4 + 16 = 0x44: A's 3 bytes, then E's 10.
    EXPECT_EQ(hex(run.image, 52, 16), "02 00 44 00 00 FA FF FF 84 00 47 00 00 F0 FF FF");
    EXPECT_NE(run.out.find("Section[  1]: Link Mapper  E         (84*)"), std::string::npos);
    EXPECT_NE(run.out.find("Section[  1]: Link Adpcm   A         (02 )"), std::string::npos);
    EXPECT_EQ(hex(run.image, 0x44, 3), "70 F7 0F");
    EXPECT_EQ(run.image.size(), 0x44u + 13);
}

TEST(SizeCheck, ImageOfExactlyMaxSizePassesOneMoreByteFails) {
    for (int extra : {0, 1}) {
        TempDir dir;
        write_wav(dir.file("a.wav"), std::vector<uint8_t>(52 + extra, 7));
        CompileRun run = compile_script(dir, ".Global $MaxSize = 100\n" +
                                                 voice_line(".PCM", "A", dir.file("a.wav")));
        EXPECT_EQ(run.image.size(), 100u + extra);
        if (extra == 0) {
            EXPECT_EQ(run.code, 0) << run.out;
        } else {
            EXPECT_EQ(run.code, -3);
            EXPECT_NE(
                run.out.find("\n\nErrors: Exceed MaxSize 64. \n\n\nComplete with 1 Errors \n\n"),
                std::string::npos)
                << run.out;
        }
    }
}

TEST(SizeCheck, CpuModelClampsMaxSizeByTheOffset) {
    TempDir dir;
    CompileRun run = compile_script(dir, ".Global $Cpu = \"Qiph10\"\n.Global $Offset = 1000h\n");
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_NE(run.out.find("MaxSize     = 7000 (hex)"), std::string::npos);
    EXPECT_EQ(gen_state.max_size, 0x7000);
}

TEST(SizeCheck, CpuMemorySizeLimitsEvenALargerMaxSize) {
    TempDir dir;
    write_wav(dir.file("a.wav"), std::vector<uint8_t>(0x8000, 7));
    CompileRun run = compile_script(dir, ".Global $Cpu = \"Qiph10\"\n" +
                                             voice_line(".PCM", "A", dir.file("a.wav")));
    EXPECT_EQ(run.code, -3);
    EXPECT_NE(run.out.find("Errors: Exceed MaxSize 8000. "), std::string::npos);
}

TEST(WriteFailures, AnImageThatCannotBeWrittenFailsTheRun) {
    TempDir dir;
    testsupport::write_file(dir.file("s.log"), ".Silence S = 8\n.Section[1] $Groups = S (1) :0\n");
    const std::string script = dir.file("s.log");
    // A FIFO with a reader opens for writing but takes no seek.
    const std::string fifo = dir.file("f.data");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (const std::string& image : {std::string("/dev/full"), fifo}) {
        std::vector<const char*> argv = {"tessor", script.c_str(), image.c_str()};
        testing::internal::CaptureStdout();
        int code = tessor_compile(static_cast<int>(argv.size()), argv.data());
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(code, -3) << image;
        // The header is written once the whole script is read: its failure
        // belongs to the script's last line, and the image fails the run once.
        EXPECT_NE(out.find("\n*Error Line2: Fatel Write Operation.\n\nComplete with 1 Errors \n"),
                  std::string::npos)
            << image << "\n"
            << out;
    }
    close(reader);
}

// The disk fills while the last link entries wait in the stream's buffer: the
// write that fails is the flush at the end of the run, which must fail it too.
TEST(WriteFailures, LinkEntriesStillBufferedAtTheEndMustReachTheFile) {
    TempDir dir;
    std::string script = ".Silence S = 8\n";
    for (int i = 0; i < 300; ++i)
        script += ".Section[1] $Groups = S (8000) :0\n";
    testsupport::write_file(dir.file("s.log"), script);
    // Files of tessor may grow to 2048 bytes (4 blocks of 512), its console
    // goes through a pipe, which has no such limit.
    auto r = testsupport::run_program(
        {"/bin/sh", "-c",
         "(trap '' XFSZ; ulimit -f 4; \"$0\" s.log s.data; echo \"exit $?\") | cat", TESSOR_PATH},
        dir.path());
    EXPECT_NE(r.out.find("*Error Line301: Fatel Write Operation.\n"
                         "\nComplete with 1 Errors \n\nexit 253\n"),
              std::string::npos)
        << r.out.substr(r.out.size() > 300 ? r.out.size() - 300 : 0);
    EXPECT_EQ(testsupport::read_file(dir.file("s.data")).size(), 2048u); // of 2452
}

} // namespace
