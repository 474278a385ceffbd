// The project model: WAV header check, usage meter, file list and sections.
#include "Fileclass.h"
#include "Memory.h"
#include "Sectionclass.h"
#include "Waveanalysis.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

using testsupport::TempDir;
using testsupport::wav_bytes;
using testsupport::WavFormat;
using testsupport::write_file;

namespace {

std::string Le16(uint16_t v) {
    return {char(v & 0xFF), char(v >> 8)};
}
std::string Le32(uint32_t v) {
    return Le16(uint16_t(v & 0xFFFF)) + Le16(uint16_t(v >> 16));
}

// A WAV file with `extra` chunk bytes between the "fmt " and "data" chunks
// and a format chunk of `fmtSize` bytes (code `format`).
std::string WavWithChunks(uint32_t fmtSize, uint16_t format, const std::string& extra) {
    std::string fmt = Le16(format) + Le16(1) + Le32(8000) + Le32(8000) + Le16(1) + Le16(8);
    fmt.resize(fmtSize, '\0');
    std::string samples(100, '\x80');
    std::string body = "WAVEfmt " + Le32(fmtSize) + fmt + extra + "data" + Le32(100) + samples;
    return "RIFF" + Le32(uint32_t(body.size())) + body;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

struct HeaderCase {
    const char* name;
    std::string bytes;
    bool accepted;
};

} // namespace

TEST(WaveHeader, AcceptsOnlyCanonical8BitMonoPcm) {
    const std::vector<uint8_t> samples(200, 0x80);
    auto wav = [&](WavFormat f) { return wav_bytes(samples, f); };
    std::string align2 = wav({});
    align2[32] = 2; // block align 2 in an otherwise 8-bit mono header
    std::string stereoAlign1 = wav({8000, 2, 8});
    stereoAlign1[32] = 1; // only the channel count is wrong
    const std::vector<HeaderCase> cases = {
        {"canonical", wav({}), true},
        {"rate 0", wav({0}), true},
        {"rate 1", wav({1}), true},
        {"16-bit", wav({8000, 1, 16}), false},
        {"stereo", wav({8000, 2, 8}), false},
        {"block align 2", align2, false},
        {"stereo with block align 1", stereoAlign1, false},
        {"LIST chunk before data", WavWithChunks(16, 1, "LIST" + Le32(4) + "INFO"), false},
        {"fact chunk before data", WavWithChunks(16, 1, "fact" + Le32(4) + Le32(100)), false},
        {"18-byte format chunk", WavWithChunks(18, 1, ""), false},
        {"extensible format", WavWithChunks(16, 0xFFFE, ""), false},
        {"not RIFF", "RIFX" + wav({}).substr(4), false},
        {"header cut after the data id", wav({}).substr(0, 40), false},
        {"header cut in the format", wav({}).substr(0, 30), false},
        {"empty file", "", false},
    };
    TempDir dir;
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("case.wav");
        write_file(path, c.bytes);
        WaveHeader header;
        ASSERT_TRUE(header.Load(Q(path)));
        EXPECT_EQ(header.IsPcm8Mono(), c.accepted);
    }
}

TEST(WaveHeader, ReadsRateAndSizeFromTheHeaderAlone) {
    TempDir dir;
    WaveHeader header;

    // A data size beyond the file's end is taken as written.
    write_file(dir.file("long.wav"), wav_bytes({1, 2, 3}, {22050, 1, 8, 1000000}));
    ASSERT_TRUE(header.Load(Q(dir.file("long.wav"))));
    EXPECT_TRUE(header.IsPcm8Mono());
    EXPECT_EQ(header.GetSampleRate(), 22050);
    EXPECT_EQ(header.GetDataSize(), 1000000);

    // A size word from 0x80000000 up reads as a negative number.
    write_file(dir.file("huge.wav"), wav_bytes({1}, {8000, 1, 8, 0xFFFFFFFE}));
    ASSERT_TRUE(header.Load(Q(dir.file("huge.wav"))));
    EXPECT_EQ(header.GetDataSize(), -2);

    // A file ending inside the size word keeps the bytes that arrived, but
    // the cut header is refused.
    write_file(dir.file("cut.wav"), wav_bytes({}, {8000, 1, 8, 0x00012345}).substr(0, 42));
    ASSERT_TRUE(header.Load(Q(dir.file("cut.wav"))));
    EXPECT_EQ(header.GetDataSize(), 0x2345);
    EXPECT_EQ(header.GetSampleRate(), 8000);
    EXPECT_FALSE(header.IsPcm8Mono());
}

TEST(WaveHeader, RefusesWhatCannotBeOpenedAndKeepsTheSlots) {
    TempDir dir;
    write_file(dir.file("ok.wav"), wav_bytes({1, 2}, {11025}));
    WaveHeader header;
    ASSERT_TRUE(header.Load(Q(dir.file("ok.wav"))));

    EXPECT_FALSE(header.Load(Q(dir.file("missing.wav"))));
    EXPECT_FALSE(header.Load(Q(dir.path()))); // a folder is no file
    EXPECT_FALSE(header.Load(QString()));
    // A name the 8-bit code page cannot hold (a lone surrogate).
    EXPECT_FALSE(header.Load(Q(dir.path()) + QStringLiteral("/") + QChar(0xD800) + ".wav"));
    EXPECT_EQ(header.GetSampleRate(), 11025);
    EXPECT_TRUE(header.IsPcm8Mono());
}

TEST(MemoryUsage, CountsAndTruncatesThePercentage) {
    MemoryUsage usage;
    EXPECT_EQ(usage.GetCapacity(), 0);
    EXPECT_EQ(usage.GetUsed(), 0);
    EXPECT_EQ(usage.GetPercent(), 0); // no capacity yet: no division

    usage.SetCapacity(4194304);
    usage.Add(66608);
    EXPECT_EQ(usage.GetPercent(), 1);
    usage.Add(4194304 - 66608);
    EXPECT_EQ(usage.GetPercent(), 100);
    usage.Add(1);
    EXPECT_EQ(usage.GetPercent(), 100);
    usage.Add(4194303);
    EXPECT_EQ(usage.GetPercent(), 200);
    usage.Sub(4194304 * 2);
    EXPECT_EQ(usage.GetUsed(), 0);

    // No overflow where used x 100 passes 32 bits, nor where used does.
    usage.Add(30000000);
    EXPECT_EQ(usage.GetPercent(), 715);
    usage.Add(std::numeric_limits<int32_t>::max());
    usage.Add(std::numeric_limits<int32_t>::max());
    EXPECT_EQ(usage.GetUsed(), 30000000 + 2LL * std::numeric_limits<int32_t>::max());
    usage.Sub(std::numeric_limits<int32_t>::max());
    usage.Sub(std::numeric_limits<int32_t>::max());
    EXPECT_EQ(usage.GetUsed(), 30000000);
}

TEST(FileList, AssignsAndReusesIds) {
    FileList list;
    EXPECT_EQ(list.Add("/v/a.wav", 8000, 10), 1);
    EXPECT_EQ(list.Add("/v/b.wav", 8000, 20), 2);
    EXPECT_EQ(list.Add("/v/c.wav", 8000, 30), 3);

    list.Remove(3); // the highest id comes back
    EXPECT_EQ(list.Add("/v/d.wav", 8000, 40), 3);
    list.Remove(1); // a lower one does not
    EXPECT_EQ(list.Add("/v/e.wav", 8000, 50), 4);

    FileList loaded;
    loaded.AddWithId(7, "/v/x.wav", 8000, 1);
    loaded.AddWithId(2, "/v/y.wav", 8000, 1);
    EXPECT_EQ(loaded.Add("/v/z.wav", 8000, 1), 8);

    FileList negative;
    negative.AddWithId(-5, "/v/n.wav", 8000, 1);
    EXPECT_EQ(negative.Add("/v/p.wav", 8000, 1), 1);

    FileList top;
    top.AddWithId(std::numeric_limits<int32_t>::max(), "/v/t.wav", 8000, 1);
    EXPECT_THROW(top.Add("/v/u.wav", 8000, 1), std::out_of_range);
    EXPECT_EQ(top.Count(), 1);
}

TEST(FileList, RefusesTheSamePathButNotAnotherSpellingOfIt) {
    FileList list;
    ASSERT_EQ(list.Add("/v/a.wav", 8000, 10), 1);
    EXPECT_EQ(list.Add("/v/a.wav", 16000, 99), 0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetRate(1), 8000);
    EXPECT_EQ(list.Add("/v/A.wav", 8000, 10), 2);
    EXPECT_EQ(list.Add("/v/../v/a.wav", 8000, 10), 3);
}

TEST(FileList, LooksUpTheFirstEntryOfAnIdOrThrows) {
    FileList list;
    EXPECT_THROW(list.GetPath(1), std::out_of_range);
    EXPECT_THROW(list.GetRate(1), std::out_of_range);
    EXPECT_THROW(list.GetSize(1), std::out_of_range);
    EXPECT_THROW(list.GetName(1), std::out_of_range);
    EXPECT_THROW(list.GetPercent(1, 0x400000), std::out_of_range);
    list.Remove(1);
    EXPECT_EQ(list.Count(), 0);

    list.AddWithId(4, "/voices/first take.wav", 8000, 40000);
    list.AddWithId(4, "/voices/second.wav", 16000, 2);
    EXPECT_EQ(list.GetPath(4), "/voices/first take.wav");
    EXPECT_EQ(list.GetName(4), "first take.wav");
    EXPECT_EQ(list.GetRate(4), 8000);
    EXPECT_EQ(list.GetSize(4), 40000);
    EXPECT_EQ(list.GetPercent(4, 0x400000), 0.95367431640625L);

    list.Remove(4);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetName(4), "second.wav");
    list.Remove(99);
    EXPECT_EQ(list.Count(), 1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

namespace {

std::vector<int32_t> Ids(const Section& s) {
    std::vector<int32_t> ids;
    VocTb v{};
    for (int i = 0; s.GetVoice(i, v); ++i)
        ids.push_back(v.FileId);
    return ids;
}

} // namespace

TEST(Section, StartsAndResetsToLevelUnHoldableRetrigger) {
    Section s;
    EXPECT_EQ(s.EdgeText(), "Level");
    EXPECT_EQ(s.HoldText(), "UnHoldable");
    EXPECT_EQ(s.ReTrgText(), "Retrigger");
    EXPECT_TRUE(s.IsEmpty());

    EXPECT_EQ(s.SetEdge(true), "Edge");
    EXPECT_EQ(s.SetHold(true), "Holdable");
    EXPECT_EQ(s.SetReTrg(false), "Non-Retrigger");
    EXPECT_TRUE(s.GetEdge());
    EXPECT_TRUE(s.GetHold());
    EXPECT_FALSE(s.GetReTrg());
    s.AddVoice(1, 8000, true);

    s.Reset();
    EXPECT_FALSE(s.GetEdge());
    EXPECT_FALSE(s.GetHold());
    EXPECT_TRUE(s.GetReTrg());
    EXPECT_TRUE(s.IsEmpty());
}

TEST(Section, RemovesEveryEntryOfAFile) {
    Section s;
    for (int32_t id : {3, 5, 3, 3, 7})
        s.AddVoice(id, 8000, true);
    s.RemoveFile(9);
    EXPECT_EQ(Ids(s), (std::vector<int32_t>{3, 5, 3, 3, 7}));
    s.RemoveFile(3);
    EXPECT_EQ(Ids(s), (std::vector<int32_t>{5, 7}));
}

TEST(Section, EditsTheGroupListByIndex) {
    Section s;
    VocTb out{42, 42, false};
    EXPECT_FALSE(s.GetVoice(0, out));
    EXPECT_EQ(out.FileId, 42); // untouched
    EXPECT_THROW(s.GetVoice(-1, out), std::out_of_range);

    s.AddVoice(1, 8000, true);
    s.AddVoice(2, 16000, false);
    s.AddVoice(3, 11025, true);

    s.SwapVoices(0, 1); // all three fields travel
    ASSERT_TRUE(s.GetVoice(0, out));
    EXPECT_EQ(out.FileId, 2);
    EXPECT_EQ(out.Rate, 16000);
    EXPECT_FALSE(out.Busy);
    ASSERT_TRUE(s.GetVoice(1, out));
    EXPECT_EQ(out.FileId, 1);
    EXPECT_TRUE(out.Busy);
    s.SwapVoices(2, 2);
    EXPECT_EQ(Ids(s), (std::vector<int32_t>{2, 1, 3}));

    // A bad index changes nothing, not even the valid one of a pair.
    EXPECT_THROW(s.SwapVoices(0, 3), std::out_of_range);
    EXPECT_THROW(s.SwapVoices(-1, 0), std::out_of_range);
    EXPECT_EQ(Ids(s), (std::vector<int32_t>{2, 1, 3}));
    EXPECT_THROW(s.SetBusy(3, true), std::out_of_range);
    EXPECT_THROW(s.GetBusy(-1), std::out_of_range);

    s.SetBusy(0, true);
    EXPECT_TRUE(s.GetBusy(0));
    s.SetBusy(0, false);
    EXPECT_FALSE(s.GetBusy(0));

    s.RemoveVoice(5);
    s.RemoveVoice(-1);
    EXPECT_EQ(Ids(s), (std::vector<int32_t>{2, 1, 3}));
    s.RemoveVoice(1);
    EXPECT_EQ(Ids(s), (std::vector<int32_t>{2, 3}));
}
