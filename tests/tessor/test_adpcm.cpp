#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "encoder_fixture.h"
#include "encoders.h"
#include "gen_state.h"
#include "plain_encoders.h"
#include "report.h"
#include "test_support.h"

using testsupport::hex;

namespace {

Encoded run_adpcm(const std::vector<uint8_t>& samples, int n, int reserved, FILE* image = nullptr) {
    return run_encoder(encode_adpcm, samples, n, reserved, "Bell", "bell.wav", image);
}

// The chip's decoder: the predictor after each of the n codes in `bytes`.
std::vector<int> decode_adpcm(const std::string& bytes, int n) {
    std::vector<int> track;
    int p = 128, s = 1;
    for (int i = 0; i < n; ++i) {
        const int code = (static_cast<uint8_t>(bytes[i / 2]) >> (i % 2 * 4)) & 0x0F;
        const int m = code & 7, delta = s * m + s / 2;
        p = std::clamp((code & 8) ? p - delta : p + delta, 0, 255);
        s = adapt_adpcm_step(m, s);
        track.push_back(p);
    }
    return track;
}

} // namespace

TEST(Adpcm, EncodesCodesIntoNibblesAtTheVoicePosition) {
    Encoded r = run_adpcm({128, 200, 255, 0, 0}, 5, 3);
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, "ADPCM Samples =        5 <Bell> : \"bell.wav\".\n\n");
    EXPECT_EQ(hex(r.image), "EE EE EE 70 F7 0F");
    EXPECT_EQ(decode_adpcm(r.image.substr(3), 5), (std::vector<int>{128, 135, 150, 120, 60}));

    // A small negative difference keeps its sign: magnitude 1, code 9.
    EXPECT_EQ(hex(run_adpcm({128, 127}, 2, 1).image), "EE EE EE 90");
    // 135 meets the predictor (code 0) and halves the step from 2 to 1, so the
    // following difference of 1 still counts as magnitude 1.
    EXPECT_EQ(hex(run_adpcm({128, 255, 135, 137}, 4, 2).image), "EE EE EE 70 10");
    // Magnitude 5 doubles the step to 2, so the next difference of 2 is magnitude 1.
    EXPECT_EQ(hex(run_adpcm({128, 133, 135}, 3, 2).image), "EE EE EE 50 01");
}

TEST(Adpcm, DecoderFollowsTheSignal) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < 400; ++i)
        samples.push_back(static_cast<uint8_t>(128 + std::lround(90 * std::sin(i / 20.0))));
    samples.insert(samples.end(), 30, 255); // full scale: the predictor must clamp
    samples.insert(samples.end(), 30, 0);
    samples.push_back(77); // odd count
    const int n = static_cast<int>(samples.size());

    Encoded r = run_adpcm(samples, n, (n + 1) / 2);
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(r.image.size(), 3u + (n + 1) / 2);
    // The step rule as the plain encoder has it, not as the decoder below shares it.
    EXPECT_EQ(r.image.substr(3), plain::adpcm(std::string(samples.begin(), samples.end())));
    EXPECT_EQ(static_cast<uint8_t>(r.image.back()) >> 4, 0); // unused high nibble
    std::vector<int> track = decode_adpcm(r.image.substr(3), n);
    for (int i = 0; i < 400; ++i)
        ASSERT_NEAR(track[i], samples[i], 8) << "sample " << i;
    EXPECT_EQ(track[429], 255);
    EXPECT_EQ(track[459], 0);
}

// Samples are read in blocks of 64 KiB; the predictor and the step carry on
// from block to block, and the odd last sample still gets its byte.
TEST(Adpcm, LongVoiceKeepsItsStateFromBlockToBlock) {
    std::vector<uint8_t> samples;
    for (int i = 0; i < 150001; ++i)
        samples.push_back(static_cast<uint8_t>(128 + std::lround(90 * std::sin(i / 5000.0))));
    const int n = static_cast<int>(samples.size());

    Encoded r = run_adpcm(samples, n, (n + 1) / 2);
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(r.image.size(), 3u + (n + 1) / 2);
    EXPECT_EQ(static_cast<uint8_t>(r.image.back()) >> 4, 0);
    std::vector<int> track = decode_adpcm(r.image.substr(3), n);
    for (int i = 0; i < n; ++i)
        ASSERT_NEAR(track[i], samples[i], 8) << "sample " << i;
}

TEST(Adpcm, EmptyVoicePrintsItsLineOnly) {
    Encoded r = run_adpcm({}, 0, 0);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, "ADPCM Samples =        0 <Bell> : \"bell.wav\".\n\n");
    EXPECT_EQ(hex(r.image), "EE EE EE");
}

TEST(Adpcm, RefusesACountThatDoesNotFitTheReservedSpace) {
    for (int n : {5, INT_MAX, -1}) {
        Encoded r = run_adpcm({1, 2, 3, 4, 5}, n, 2);
        EXPECT_EQ(r.rc, n < 0 ? kErrSampleCount : -1) << n;
        EXPECT_EQ(r.out, "") << n;
        EXPECT_EQ(hex(r.image), "EE EE EE") << n;
    }
}

TEST(Adpcm, ReportsReadAndWriteFailures) {
    Encoded shortData = run_adpcm({1, 2, 3}, 4, 2);
    EXPECT_EQ(shortData.rc, kErrRead);

    testsupport::TempDir dir;
    testsupport::write_file(dir.file("ro"), "");
    FILE* readOnly = fopen(dir.file("ro").c_str(), "rb");
    EXPECT_EQ(run_adpcm({1, 2, 3, 4}, 4, 2, readOnly).rc, kErrWrite);
    fclose(readOnly);

    // A full device accepts the bytes into the stream buffer and fails on the flush.
    FILE* full = fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(run_adpcm({1, 2, 3}, 3, 2, full).rc, kErrWrite);
    fclose(full);
}
