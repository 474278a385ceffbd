// The tessor program as its callers see it: console text, exit status, files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "test_support.h"

namespace {

using testsupport::file_exists;
using testsupport::read_file;
using testsupport::run_program;
using testsupport::TempDir;
using testsupport::write_file;

const std::string kBanner = "******************************************************\n"
                            "* Vyr Generator for Zel          Ver0.1 2010.03.26   *\n"
                            "******************************************************\n";

// Exit statuses as a shell sees the codes -2 and -3.
constexpr int kStatusOpen = 254;
constexpr int kStatusErrors = 253;

TEST(Driver, EmptyScriptCompilesToAHeaderOnly) {
    TempDir dir;
    write_file(dir.file("s.log"), "");
    auto r = run_program({TESSOR_PATH, dir.file("s.log"), dir.file("s.data")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kBanner + "=<< PASS 1 >>==\n"
                               "GrpAdr      = 3 bytes\n\n"
                               "MaxSize     = 989680 (hex)\n\n"
                               "Offset      = 0 (hex)\n\n"
                               "Max Section = 0\n\n"
                               "RampEn      = Yes.\n\n"
                               "Internal error\n"
                               "=<< PASS 2 >>==\n"
                               "\nComplete with 0 Errors \n\n");
    std::string image = read_file(dir.file("s.data"));
    ASSERT_EQ(image.size(), 48u);
    EXPECT_EQ(testsupport::hex(image, 0, 17), "80 FF FF FF 00 30 00 00 FF 30 00 00 FF 30 00 00 80");
    EXPECT_EQ(image.substr(17), std::string(31, '\0'));
}

TEST(Driver, ErrorsInPassOneSkipPassTwoAndLeaveTheImageEmpty) {
    TempDir dir;
    write_file(dir.file("s.log"), ".Global $Rck = 1 2\n.Section[0] $Edge = \"Yes\"\n");
    write_file(dir.file("s.data"), "old content");
    auto r = run_program({TESSOR_PATH, dir.file("s.log"), dir.file("s.data")});
    EXPECT_EQ(r.status, kStatusErrors);
    EXPECT_EQ(r.out, kBanner + "=<< PASS 1 >>==\n"
                               "syntax error, unexpected T_NUM\n"
                               "*Error Line1: Syntax Error.\n"
                               "*Error Line2: Invalid Sector number .\n"
                               "\nComplete with 2 Errors \n\n");
    EXPECT_EQ(read_file(dir.file("s.data")), "");
}

TEST(Driver, MissingScriptTouchesNoImage) {
    TempDir dir;
    auto r = run_program({TESSOR_PATH, dir.file("none.log"), dir.file("s.data")});
    EXPECT_EQ(r.status, kStatusOpen);
    EXPECT_EQ(r.out, "script-file " + dir.file("none.log") + " open error\n\n");
    EXPECT_FALSE(file_exists(dir.file("s.data")));
}

// Pass 2 reads the script again from its start: a pipe or a folder cannot be
// read twice and is refused before the image is created or truncated.
TEST(Driver, ScriptThatCannotBeReadTwiceIsRefusedBeforeTheImage) {
    TempDir dir;
    write_file(dir.file("s.log"), ".Global $Rck = 8000000\n");
    auto r = run_program({"/bin/sh", "-c", "cat s.log | \"$0\" /dev/stdin s.data", TESSOR_PATH},
                         dir.path());
    EXPECT_EQ(r.status, kStatusOpen);
    EXPECT_EQ(r.out, "script-file /dev/stdin open error: not a regular file\n\n");
    EXPECT_FALSE(file_exists(dir.file("s.data")));

    ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0700), 0);
    write_file(dir.file("s.data"), "old image");
    r = run_program({TESSOR_PATH, "folder", "s.data"}, dir.path());
    EXPECT_EQ(r.status, kStatusOpen);
    EXPECT_EQ(r.out, "script-file folder open error: not a regular file\n\n");
    EXPECT_EQ(read_file(dir.file("s.data")), "old image");
}

// Sharing one file, the console streams keep the order of what was printed:
// a scanner stop's message comes after the lines before it.
TEST(Driver, ScannerStopMessageFollowsThePrintedLines) {
    TempDir dir;
    write_file(dir.file("s.log"), ";" + std::string(9000, 'c') + "\n");
    auto r = run_program({"/bin/sh", "-c", "\"$0\" s.log s.data 2>&1", TESSOR_PATH}, dir.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, kBanner + "=<< PASS 1 >>==\ntoken too large, exceeds YYLMAX\n");
}

// A daemon or a careless wrapper may start the program with its standard
// descriptors closed; the script and the image must not take them, or the
// console lines land in the image.
TEST(Driver, ClosedStandardDescriptorsLeaveTheImageAsEver) {
    TempDir dir;
    std::string script; // enough console lines to fill the console's buffer
    for (int k = 1; k <= 200; ++k)
        script += ".Section[" + std::to_string(k) + "] $Edge = \"Yes\"\n";
    write_file(dir.file("s.log"), script);
    ASSERT_EQ(run_program({TESSOR_PATH, "s.log", "open.data"}, dir.path()).status, 0);
    for (const char* closing : {"<&- >&-", "<&- >&- 2>&-"}) {
        auto r = run_program(
            {"/bin/sh", "-c", std::string("\"$0\" s.log closed.data ") + closing, TESSOR_PATH},
            dir.path());
        EXPECT_EQ(r.status, 0) << closing;
        EXPECT_EQ(read_file(dir.file("closed.data")), read_file(dir.file("open.data"))) << closing;
    }
}

TEST(Driver, UnopenableImage) {
    TempDir dir;
    write_file(dir.file("s.log"), "");
    std::string image = dir.file("no/such/folder/s.data");
    auto r = run_program({TESSOR_PATH, dir.file("s.log"), image});
    EXPECT_EQ(r.status, kStatusOpen);
    EXPECT_EQ(r.out, "output-file " + image + " open error\n\n");
}

// Opening a FIFO for writing waits for a reader; the run ends at once instead.
// Devices take the image as any file does.
TEST(Driver, ImageFifoWithoutReaderIsAnOpenError) {
    TempDir dir;
    write_file(dir.file("s.log"), "");
    ASSERT_EQ(mkfifo(dir.file("f.data").c_str(), 0600), 0);
    auto r = run_program({"/usr/bin/timeout", "5", TESSOR_PATH, "s.log", "f.data"}, dir.path());
    EXPECT_EQ(r.status, kStatusOpen);
    EXPECT_EQ(r.out, "output-file f.data open error\n\n");

    EXPECT_EQ(run_program({TESSOR_PATH, "s.log", "/dev/null"}, dir.path()).status, 0);
    r = run_program({TESSOR_PATH, "s.log", "/dev/full"}, dir.path());
    EXPECT_EQ(r.status, kStatusErrors);
    EXPECT_NE(r.out.find("*Error Line1: Fatel Write Operation."), std::string::npos) << r.out;
}

TEST(Driver, TooFewWordsOpenNothing) {
    TempDir dir;
    write_file(dir.file("s.log"), "");
    for (auto argv :
         {std::vector<std::string>{TESSOR_PATH}, std::vector<std::string>{TESSOR_PATH, "s.log"}}) {
        auto r = run_program(argv, dir.path());
        EXPECT_EQ(r.status, kStatusOpen);
        EXPECT_EQ(r.out, "usage: tessor SCRIPT IMAGE [P3 .. P9]\n\n");
    }
    EXPECT_EQ(read_file(dir.file("s.log")), "");
}

TEST(Driver, ImageNamingTheScriptLeavesTheScriptAlone) {
    TempDir dir;
    const std::string script = ".Global $Rck = 8000000\n";
    write_file(dir.file("s.log"), script);
    ASSERT_EQ(symlink(dir.file("s.log").c_str(), dir.file("link.data").c_str()), 0);
    for (const std::string& image :
         {std::string("s.log"), std::string("./s.log"), dir.file("link.data")}) {
        auto r = run_program({TESSOR_PATH, "s.log", image}, dir.path());
        EXPECT_EQ(r.status, kStatusOpen) << image;
        EXPECT_EQ(r.out, "output-file " + image + " is the script-file; choose another output\n\n");
        EXPECT_EQ(read_file(dir.file("s.log")), script);
    }
}

// The image is emptied only when pass 1 has opened every voice file, so a
// voice file that is the image is found while it is whole. Every other run
// empties the image of what it held, as when it was emptied at its open.
TEST(Driver, ImageNamingAVoiceFileLeavesTheVoiceAlone) {
    TempDir dir;
    testsupport::write_wav(dir.file("v.wav"), std::vector<uint8_t>(3000, 7));
    const std::string wav = read_file(dir.file("v.wav"));
    write_file(dir.file("s.log"), ".Silence S = 8\n.PCM A = \"v.wav\"\n");
    ASSERT_EQ(symlink("v.wav", dir.file("link.data").c_str()), 0);
    for (const char* image : {"v.wav", "link.data"}) {
        auto r = run_program({TESSOR_PATH, "s.log", image}, dir.path());
        EXPECT_EQ(r.status, kStatusErrors) << image;
        EXPECT_NE(r.out.find("*Error Line2: file <\"v.wav\"> is the output-file; choose another "
                             "output.\n"),
                  std::string::npos)
            << r.out;
        EXPECT_EQ(read_file(dir.file("v.wav")), wav) << image;
    }

    write_file(dir.file("s.data"), std::string(5000, 'x'));
    EXPECT_EQ(run_program({TESSOR_PATH, "s.log", "s.data"}, dir.path()).status, 0);
    EXPECT_EQ(read_file(dir.file("s.data")).size(), 48u + 3000);
    // A scanner stop in pass 1 leaves the image empty, as a failed pass 1 does.
    write_file(dir.file("stop.log"), ".PCM A = \"v.wav\"\n;" + std::string(9000, 'c') + "\n");
    EXPECT_EQ(run_program({TESSOR_PATH, "stop.log", "s.data"}, dir.path()).status, 2);
    EXPECT_EQ(read_file(dir.file("s.data")), "");
}

TEST(Driver, ParametersFromTheCommandLine) {
    TempDir dir;
    write_file(dir.file("s.log"), ".Global $Cpu = $3\n.Global $Offset = %4\n");
    auto r = run_program({TESSOR_PATH, "s.log", "s.data", "Qiph85", "100h"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("MaxSize     = 3ff00 (hex)"), std::string::npos) << r.out;
    // Without a third word $3 is the empty text, which names no model.
    r = run_program({TESSOR_PATH, "s.log", "s.data"}, dir.path());
    EXPECT_EQ(r.status, kStatusErrors);
    EXPECT_NE(r.out.find("*Error Line1: Unknow CPU Type."), std::string::npos);
    EXPECT_NE(r.out.find("*Error Line2: Need cmd line parameter input."), std::string::npos);
}

} // namespace
