#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "encoder_fixture.h"
#include "encoders.h"
#include "gen_state.h"
#include "report.h"
#include "test_support.h"

using testsupport::hex;

namespace {

std::vector<uint32_t> levels(int count) {
    return std::vector<uint32_t>(eq01_decode_table, eq01_decode_table + count);
}

class Eq01Table : public testing::Test {
  protected:
    void TearDown() override { reset_eq01_tables(); }
};

Encoded run_eq01(const std::vector<uint8_t>& samples, int n, int reserved, FILE* image = nullptr) {
    return run_encoder(encode_eq01, samples, n, reserved, "Tone", "tone.wav", image);
}

class Eq01Encode : public Eq01Table {
  protected:
    void SetUp() override {
        build_eq01_table(5, 26);
        build_eq01_decode_table();
    }
};

} // namespace

TEST_F(Eq01Table, Mu26GivesTheEditorsDecodeLevels) {
    ASSERT_EQ(build_eq01_table(5, 26), 0);
    build_eq01_decode_table();
    EXPECT_EQ(eq01_code_count, 32);
    EXPECT_EQ(levels(32),
              (std::vector<uint32_t>{0,   14,  36,  54,  69,  81,  91,  99,  105, 110, 115,
                                     118, 121, 123, 125, 127, 128, 129, 131, 133, 136, 139,
                                     143, 148, 154, 162, 172, 184, 199, 217, 241, 255}));
    EXPECT_EQ(eq01_code_table[13], 0u);
    EXPECT_EQ(eq01_code_table[14], 1u);
    EXPECT_EQ(eq01_code_table[127], 15u);
    EXPECT_EQ(eq01_code_table[128], 16u);
    EXPECT_EQ(eq01_code_table[129], 17u);
    EXPECT_EQ(eq01_code_table[241], 30u);
    EXPECT_EQ(eq01_code_table[242], 31u);
}

TEST_F(Eq01Table, LargeMuLeavesCodesNextToMidScaleUnused) {
    build_eq01_table(5, 100);
    build_eq01_decode_table();
    for (int x = 0; x < 256; ++x) {
        EXPECT_NE(eq01_code_table[x], 15u) << x;
        EXPECT_NE(eq01_code_table[x], 17u) << x;
    }
    EXPECT_EQ(eq01_decode_table[15], 0u);
    EXPECT_EQ(eq01_decode_table[17], 0u);

    // The curve value is rounded to a 32-bit float before it becomes a code: at
    // mu 2686 that lifts sample 28 over a code boundary (in double it would get code 1).
    build_eq01_table(5, 2686);
    EXPECT_EQ(eq01_code_table[28], 0u);
}

// For every width and a spread of mu: codes rise with the sample, span the whole
// range, and every used code decodes to a sample that encodes to it again.
TEST_F(Eq01Table, DecodeLevelsMapBackToTheirCodes) {
    for (int bits = 5; bits <= 8; ++bits) {
        for (int mu : {1, 26, 100, 255, 100000}) {
            SCOPED_TRACE(testing::Message() << "bits " << bits << " mu " << mu);
            ASSERT_EQ(build_eq01_table(bits, mu), 0);
            build_eq01_decode_table();
            const uint32_t n = 1u << bits;
            EXPECT_EQ(eq01_code_count, static_cast<int>(n));
            EXPECT_EQ(eq01_code_table[0], 0u);
            EXPECT_EQ(eq01_code_table[128], n / 2);
            EXPECT_EQ(eq01_code_table[255], n - 1);
            for (int x = 1; x < 256; ++x)
                ASSERT_LE(eq01_code_table[x - 1], eq01_code_table[x]) << x;
            for (int x = 0; x < 256; ++x) {
                const uint32_t code = eq01_code_table[x];
                const uint32_t level = eq01_decode_table[code];
                ASSERT_EQ(eq01_code_table[level], code) << x;
                // Outer codes decode toward mid-scale; the mid-scale code to 128.
                if (code != n / 2) {
                    ASSERT_TRUE(x < 128 ? level <= uint32_t(x) : level >= uint32_t(x)) << x;
                }
            }
        }
    }
}

TEST_F(Eq01Table, RejectsBadWidthsAndSurvivesMeaninglessMu) {
    build_eq01_table(5, 26);
    const std::vector<uint32_t> before(eq01_code_table, eq01_code_table + 256);
    for (int bits : {0, 4, 9}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(build_eq01_table(bits, 26), -1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Internal error\n");
    }
    EXPECT_EQ(std::vector<uint32_t>(eq01_code_table, eq01_code_table + 256), before);
    EXPECT_EQ(eq01_code_count, 32);

    // Parameters below 1 give NaN or infinite curves; the codes must stay in range.
    for (int mu : {0, -1, -5, INT_MIN}) {
        ASSERT_EQ(build_eq01_table(5, mu), 0);
        build_eq01_decode_table();
        for (int x = 0; x < 256; ++x)
            ASSERT_LT(eq01_code_table[x], 32u) << mu << " " << x;
    }

    // Without a built table (no encoder declared) only the mid-scale level is set.
    reset_eq01_tables();
    EXPECT_EQ(eq01_code_count, 0);
    build_eq01_decode_table();
    std::vector<uint32_t> expected(32, 0);
    expected[0] = 128;
    EXPECT_EQ(levels(32), expected);
}

TEST_F(Eq01Encode, PacksEightCodesIntoFiveBytes) {
    Encoded mid = run_eq01(std::vector<uint8_t>(8, 128), 8, 5);
    ASSERT_EQ(mid.rc, 0);
    EXPECT_EQ(mid.out, "EQ01  Samples =        8 <Tone> : \"tone.wav\".\n\n");
    EXPECT_EQ(hex(mid.image), "EE EE EE 00 88 88 88 88");
    EXPECT_EQ(hex(run_eq01(std::vector<uint8_t>(8, 255), 8, 5).image), "EE EE EE FF FF FF FF FF");

    // Codes 0 31 16 0 31 16 0 31 | 31; the second group's empty slots read as code 16.
    Encoded nine = run_eq01({0, 255, 128, 0, 255, 128, 0, 255, 255}, 9, 10);
    ASSERT_EQ(nine.rc, 0);
    EXPECT_EQ(hex(nine.image, 3), "92 F0 08 8F F0 01 8F 88 88 88");
}

TEST_F(Eq01Encode, UnpackedCodesAreTheTableCodes) {
    std::vector<uint8_t> samples;
    for (int x = 0; x < 256; ++x)
        samples.push_back(static_cast<uint8_t>(x * 37 + 11));
    samples.insert(samples.end(), {3, 130, 250});
    const int n = static_cast<int>(samples.size());
    Encoded r = run_eq01(samples, n, (n + 7) / 8 * 5);
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(r.image.size(), 3u + (n + 7) / 8 * 5);
    for (int i = 0; i < n; ++i) {
        const auto* group = reinterpret_cast<const uint8_t*>(r.image.data()) + 3 + i / 8 * 5;
        const int j = i % 8;
        const int code = ((group[0] >> j) & 1) | (((group[1 + j / 2] >> (j % 2 * 4)) & 15) << 1);
        ASSERT_EQ(static_cast<uint32_t>(code), eq01_code_table[samples[i]]) << i;
    }
}

TEST_F(Eq01Encode, RefusesOrFailsCleanly) {
    Encoded empty = run_eq01({}, 0, 0);
    EXPECT_EQ(empty.rc, 0);
    EXPECT_EQ(empty.out, "EQ01  Samples =        0 <Tone> : \"tone.wav\".\n\n");
    EXPECT_EQ(hex(empty.image), "EE EE EE");

    for (int n : {8, 17, INT_MAX - 3, -1}) {
        Encoded r = run_eq01(std::vector<uint8_t>(9, 1), n, 10);
        EXPECT_EQ(r.rc, n < 0 ? kErrSampleCount : -1) << n;
        EXPECT_EQ(r.out, "") << n;
        EXPECT_EQ(hex(r.image), "EE EE EE") << n;
    }

    EXPECT_EQ(run_eq01(std::vector<uint8_t>(8, 1), 9, 10).rc, kErrRead);

    testsupport::TempDir dir;
    testsupport::write_file(dir.file("ro"), "");
    FILE* readOnly = fopen(dir.file("ro").c_str(), "rb");
    EXPECT_EQ(run_eq01(std::vector<uint8_t>(8, 1), 8, 5, readOnly).rc, kErrWrite);
    fclose(readOnly);
    FILE* full = fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(run_eq01(std::vector<uint8_t>(3, 1), 3, 5, full).rc, kErrWrite);
    fclose(full);
}
