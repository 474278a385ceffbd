// The voice list and the WAV input: space reserved in pass 1, data in pass 2.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "compile_fixture.h"
#include "gen_state.h"
#include "report.h"
#include "voices.h"

namespace {

using testsupport::TempDir;
using testsupport::WavFormat;
using testsupport::write_wav;

class VoiceList : public testing::Test {
  protected:
    void SetUp() override {
        gen_state = gen_state_t{};
        reset_for_pass1();
        gen_state.pass = 1;
    }
    void TearDown() override { free_voices(); }
    int define(const char* name, const std::string& path, int type, int length = -1) {
        std::string literal = "\"" + path + "\"";
        testing::internal::CaptureStdout();
        int rc = define_voice(name, literal.c_str(), type, length);
        printed += testing::internal::GetCapturedStdout();
        return rc;
    }
    TempDir dir;
    std::string printed;
};

TEST_F(VoiceList, VoicesFollowEachOtherInScriptOrder) {
    write_wav(dir.file("p.wav"), std::vector<uint8_t>(1000, 1));
    write_wav(dir.file("a.wav"), std::vector<uint8_t>(1001, 1));
    write_wav(dir.file("e.wav"), std::vector<uint8_t>(9, 1));
    write_wav(dir.file("z.wav"), {});
    ASSERT_EQ(define("P", dir.file("p.wav"), kVoicePcm), 0);
    ASSERT_EQ(define("A", dir.file("a.wav"), kVoiceAdpcm), 0);
    ASSERT_EQ(define("E", dir.file("e.wav"), kVoiceEq01), 0);
    ASSERT_EQ(define("Z", dir.file("z.wav"), kVoicePcm), 0);
    ASSERT_EQ(define("S", "", kVoiceSilence, 8), 0);
    auto range = [](const char* name) {
        voice_node* v = find_voice(name);
        return std::make_pair(v->start, v->end);
    };
    EXPECT_EQ(range("p"), std::make_pair(0, 999));
    EXPECT_EQ(range("a"), std::make_pair(1000, 1500));
    EXPECT_EQ(range("e"), std::make_pair(1501, 1510));
    EXPECT_EQ(range("z"), std::make_pair(1511, 1510)); // nothing reserved
    EXPECT_EQ(range("s"), std::make_pair(0, 7));
    EXPECT_EQ(gen_state.voice_offset, 1511);
    // Newest first, the path without its quotes.
    EXPECT_STREQ(gen_state.voice_list->name, "S");
    EXPECT_STREQ(gen_state.voice_list->next->path, dir.file("z.wav").c_str());
}

TEST_F(VoiceList, NamesAreUniqueWithoutRegardToCase) {
    write_wav(dir.file("a.wav"), {1});
    EXPECT_EQ(define("A", dir.file("a.wav"), kVoicePcm), 0);
    EXPECT_EQ(define("a", dir.file("a.wav"), kVoiceAdpcm), -6);
    EXPECT_EQ(define("A", "", kVoiceSilence, 3), -6);
    EXPECT_EQ(gen_state.voice_offset, 1);
}

TEST_F(VoiceList, FailedFilesStayInTheListWithoutSpace) {
    write_wav(dir.file("stereo.wav"), {1, 2}, WavFormat{8000, 2, 8});
    EXPECT_EQ(define("M", dir.file("missing.wav"), kVoicePcm), -8);
    EXPECT_EQ(define("B", dir.file("stereo.wav"), kVoicePcm), -12);
    EXPECT_NE(find_voice("M"), nullptr);
    EXPECT_NE(find_voice("B"), nullptr);
    EXPECT_EQ(gen_state.voice_offset, 0);
    EXPECT_EQ(gen_state.wave_file, nullptr);
}

TEST_F(VoiceList, SampleCountsBeyondTwoGibibytesAreRefused) {
    write_wav(dir.file("neg.wav"), {1}, WavFormat{8000, 1, 8, 0x80000000LL});
    write_wav(dir.file("big.wav"), {1}, WavFormat{8000, 1, 8, 0x7FFFFFFFLL});
    EXPECT_EQ(define("N", dir.file("neg.wav"), kVoicePcm), kErrSampleCount);
    EXPECT_EQ(define("B1", dir.file("big.wav"), kVoiceAdpcm), 0);
    EXPECT_EQ(define("B2", dir.file("big.wav"), kVoicePcm), kErrSampleCount);
    EXPECT_EQ(gen_state.voice_offset, 0x40000000);
}

TEST_F(VoiceList, HeaderChecks) {
    struct Case {
        const char* name;
        std::string bytes;
        int code;
    } cases[] = {
        {"good", testsupport::wav_bytes({1, 2}), 0},
        {"stereo", testsupport::wav_bytes({1, 2}, {8000, 2, 8}), -12},
        {"16-bit", testsupport::wav_bytes({1, 2}, {8000, 1, 16}), -12},
        {"short", testsupport::wav_bytes({}).substr(0, 43), -12},
        {"not RIFF", "RIFX" + testsupport::wav_bytes({1, 2}).substr(4), -12},
    };
    for (const Case& c : cases) {
        testsupport::write_file(dir.file("w.wav"), c.bytes);
        FILE* f = fopen(dir.file("w.wav").c_str(), "rb");
        int n = -1;
        testing::internal::CaptureStdout();
        EXPECT_EQ(check_wave_header(f, &n), c.code) << c.name;
        testing::internal::GetCapturedStdout();
        if (c.code == 0) {
            EXPECT_EQ(n, 2);
            EXPECT_EQ(ftell(f), 44);
        }
        fclose(f);
    }
}

TEST(VoiceRuns, SampleRateLinesInBothPasses) {
    TempDir dir;
    write_wav(dir.file("a.wav"), {1}, WavFormat{8000, 1, 8});
    write_wav(dir.file("c.wav"), {1}, WavFormat{11025, 1, 8});
    CompileRun run =
        compile_script(dir, voice_line(".PCM", "A", dir.file("a.wav")) +
                                voice_line(".PCM", "B", dir.file("a.wav")) + ".Silence S = 8\n" +
                                voice_line(".PCM", "C", dir.file("c.wav")));
    ASSERT_EQ(run.code, 0) << run.out;
    std::vector<std::string> rates;
    for (const auto& line : text_lines(run.out))
        if (line.rfind("Find", 0) == 0 || line.rfind("=<<", 0) == 0) rates.push_back(line);
    EXPECT_EQ(rates, (std::vector<std::string>{
                         "=<< PASS 1 >>==", "Find Sample Rate 8000 Hz in wave.",
                         "Find different Sample Rate 11025 Hz in wave!",
                         "=<< PASS 2 >>==", "Find different Sample Rate 8000 Hz in wave!",
                         "Find different Sample Rate 11025 Hz in wave!"}));
}

TEST(VoiceRuns, PcmLinesAndData) {
    TempDir dir;
    write_wav(dir.file("a.wav"), std::vector<uint8_t>(2500, 0x11));
    write_wav(dir.file("z.wav"), {});
    CompileRun run = compile_script(dir, voice_line(".PCM", "Alpha", dir.file("a.wav")) +
                                             voice_line(".PCM", "Zero", dir.file("z.wav")));
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_NE(run.out.find("PCM   Samples =     2500 <Alpha> : \"" + dir.file("a.wav") + "\".\n\n"),
              std::string::npos);
    EXPECT_NE(run.out.find("PCM   Samples =        0 <Zero> : \""), std::string::npos);
    EXPECT_EQ(run.image.substr(48), std::string(2500, 0x11));
}

TEST(VoiceRuns, BadHeaderIsReportedInPassTwoOnly) {
    TempDir dir;
    write_wav(dir.file("s.wav"), {1, 2}, WavFormat{8000, 2, 8});
    write_wav(dir.file("ok.wav"), {3});
    CompileRun run = compile_script(dir, voice_line(".PCM", "Good", dir.file("ok.wav")) +
                                             voice_line(".PCM", "Bad", dir.file("s.wav")) +
                                             ".Section[1] $Groups = Bad (8000) :0\n");
    EXPECT_EQ(run.code, -3);
    auto lines = text_lines(run.out);
    auto pass2 = std::find(lines.begin(), lines.end(), "=<< PASS 2 >>==");
    ASSERT_NE(pass2, lines.end()) << run.out;
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(), "*Error Line2: Invalid or un-supported wave file."),
        1);
    EXPECT_EQ(std::find(lines.begin(), pass2, "*Error Line2: Invalid or un-supported wave file."),
              pass2);
    EXPECT_EQ(lines.back(), "Complete with 1 Errors ");
}

TEST(VoiceRuns, MissingFileNamesTheLiteral) {
    TempDir dir;
    CompileRun run = compile_script(dir, "\n.PCM A = \"nowhere/a.wav\"\n");
    EXPECT_EQ(run.code, -3);
    EXPECT_NE(run.out.find("*Error Line2: file <\"nowhere/a.wav\"> open error ."),
              std::string::npos);
    EXPECT_TRUE(run.image.empty());
}

// A FIFO would block the compile on open or read; a folder holds no samples.
// Both are the open error of their lines, and the run ends.
TEST(VoiceRuns, FifoAndFolderAreOpenErrors) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0700), 0);
    testsupport::write_file(dir.file("s.log"), ".PCM F = \"fifo\"\n.ADPCM D = \"folder\"\n");
    auto r = testsupport::run_program({"/usr/bin/timeout", "10", TESSOR_PATH, "s.log", "s.data"},
                                      dir.path());
    EXPECT_EQ(r.status, 253); // the exit code -3
    EXPECT_NE(r.out.find("*Error Line1: file <\"fifo\"> open error .\n"
                         "*Error Line2: file <\"folder\"> open error .\n"),
              std::string::npos)
        << r.out;
}

TEST(VoiceRuns, ShortPcmDataIsAReadError) {
    TempDir dir;
    write_wav(dir.file("a.wav"), std::vector<uint8_t>(100, 1), WavFormat{8000, 1, 8, 3000});
    CompileRun run = compile_script(dir, voice_line(".PCM", "A", dir.file("a.wav")));
    EXPECT_EQ(run.code, -3);
    EXPECT_NE(run.out.find("*Error Line1: Fatel Read  Operation."), std::string::npos);
}

// PCM data are copied by the kernel between files of one file system; from
// another the copy goes through the streams. Both give the same image, also
// for a file shorter than its header says: the read error of its line, with
// the whole 1024-byte blocks before its end written and nothing after them.
TEST(VoiceRuns, PcmDataFromAnotherFileSystem) {
    TempDir here;
    struct stat here_stat {
    }, shm_stat{};
    if (stat(here.path().c_str(), &here_stat) != 0 || stat("/dev/shm", &shm_stat) != 0 ||
        here_stat.st_dev == shm_stat.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    TempDir there("/dev/shm");
    std::vector<uint8_t> a(70000), b(3001), s(1100);
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = static_cast<uint8_t>(i * 7);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(i * 13 + 5);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<uint8_t>(i * 3 + 1);
    // Header, section table and one link entry come before the voice data.
    const size_t voices_at = 48 + 4 + 8;
    const std::string voices = std::string(a.begin(), a.end()) + std::string(b.begin(), b.end()) +
                               std::string(s.begin(), s.begin() + 1024);

    std::string first_image;
    for (const TempDir* wavs : {&here, &there}) {
        write_wav(wavs->file("a.wav"), a);
        write_wav(wavs->file("b.wav"), b);
        write_wav(wavs->file("s.wav"), s, WavFormat{8000, 1, 8, 1500});
        CompileRun run = compile_script(here, voice_line(".PCM", "A", wavs->file("a.wav")) +
                                                  voice_line(".PCM", "B", wavs->file("b.wav")) +
                                                  voice_line(".PCM", "S", wavs->file("s.wav")) +
                                                  ".Section[1] $Groups = B (8000) :0\n");
        EXPECT_EQ(run.code, -3);
        EXPECT_NE(run.out.find("*Error Line3: Fatel Read  Operation."), std::string::npos)
            << run.out;
        ASSERT_EQ(run.image.size(), voices_at + voices.size()) << wavs->path();
        EXPECT_EQ(run.image.substr(voices_at), voices) << wavs->path();
        if (wavs == &here)
            first_image = run.image;
        else
            EXPECT_EQ(run.image, first_image);
    }
}

TEST(VoiceRuns, NegativeSampleCountIsACountedError) {
    TempDir dir;
    write_wav(dir.file("a.wav"), {1}, WavFormat{8000, 1, 8, 0xFFFFFFF0LL});
    CompileRun run = compile_script(dir, voice_line(".PCM", "A", dir.file("a.wav")));
    EXPECT_EQ(run.code, -3);
    EXPECT_NE(run.out.find("*Error Line1: Wave file too large."), std::string::npos);
    EXPECT_TRUE(run.image.empty());
}

TEST(VoiceRuns, Eq01VoiceWithoutEncoderKeepsItsSpaceUnwritten) {
    TempDir dir;
    write_wav(dir.file("e.wav"), std::vector<uint8_t>(8, 200));
    write_wav(dir.file("p.wav"), {9});
    CompileRun run = compile_script(dir, voice_line(".EQ01", "E", dir.file("e.wav")) +
                                             voice_line(".PCM", "P", dir.file("p.wav")));
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(run.out.find("EQ01  Samples"), std::string::npos);
    ASSERT_EQ(run.image.size(), 48u + 6);
    EXPECT_EQ(testsupport::hex(run.image, 48), "00 00 00 00 00 09");
}

} // namespace
