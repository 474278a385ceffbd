// libFuzzer harness for the WAV input and the voice encoders: the header
// check, the EQ01 tables for a fuzzed code width and mu, and the define and
// write of voices of every WAV type, run directly without the grammar. Every
// voice written holds exactly what the plain encoders of the test support
// make of the same samples.
//
// Input layout: 12 control bytes, then the WAV file.
//   [0]      bits 0-1: voice type (PCM, ADPCM, EQ01, EQ01); bit 2: a second
//            voice of the same file follows the first; bit 3: call the
//            encoder directly with the sample count skewed by [11]
//   [1]      code width handed to the EQ01 table builder
//   [2..5]   mu, signed 32-bit little-endian
//   [6..7]   $Offset, signed 16-bit little-endian
//   [8..9]   link area size in 8-byte entries (place of the voice data area)
//   [10]     unused
//   [11]     skew of the sample count for the direct encoder call (signed)
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <unistd.h>

#include "encoders.h"
#include "fuzz_support.h"
#include "gen_state.h"
#include "image.h"
#include "plain_encoders.h"
#include "report.h"
#include "test_support.h"
#include "voices.h"

namespace {

constexpr size_t kControlBytes = 12;
constexpr const char* kWavePath = "w.wav";
constexpr const char* kWaveLiteral = "\"w.wav\"";
constexpr const char* kImagePath = "w.data";

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);               \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

int32_t le32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                (uint32_t(p[3]) << 24));
}

long file_length(FILE* f) {
    if (fseek(f, 0, SEEK_END) != 0) return -1;
    return ftell(f);
}

// The code table and the decode table derived from it, for any width and mu;
// `plain_codes` is the plain table of that width and mu.
void check_eq01_tables(int bits, int mu, const std::array<uint32_t, 256>& plain_codes) {
    reset_eq01_tables();
    int rc = build_eq01_table(bits, mu);
    if (bits < 5 || bits > 8) {
        FUZZ_CHECK(rc == kErrTableBits);
        FUZZ_CHECK(eq01_code_count == 0);
        for (uint32_t code : eq01_code_table)
            FUZZ_CHECK(code == 0);
        return;
    }
    FUZZ_CHECK(rc == 0);
    for (int x = 0; x < 256; ++x)
        FUZZ_CHECK(eq01_code_table[x] == plain_codes[x]);
    const uint32_t n = 1u << bits;
    FUZZ_CHECK(eq01_code_count == static_cast<int>(n));
    // Whatever mu is, every sample gets a code of the table's width.
    for (uint32_t code : eq01_code_table)
        FUZZ_CHECK(code < n);

    build_eq01_decode_table();
    for (uint32_t level : eq01_decode_table)
        FUZZ_CHECK(level <= 255);
    FUZZ_CHECK(eq01_decode_table[n / 2] == 128);
    if (mu < 1) return; // the curve has no meaning there; only the bounds hold

    // A real curve: codes rise with the sample from 0 to n - 1 with n / 2 at
    // mid-scale, and each code decodes toward mid-scale of every sample that
    // maps to it (the smallest below 128, the largest above).
    FUZZ_CHECK(eq01_code_table[0] == 0);
    FUZZ_CHECK(eq01_code_table[128] == n / 2);
    FUZZ_CHECK(eq01_code_table[255] == n - 1);
    for (int x = 1; x < 256; ++x)
        FUZZ_CHECK(eq01_code_table[x] >= eq01_code_table[x - 1]);
    for (int x = 0; x < 256; ++x) {
        uint32_t code = eq01_code_table[x];
        if (code == n / 2) continue;
        uint32_t level = eq01_decode_table[code];
        if (x < 128) FUZZ_CHECK(level <= uint32_t(x));
        if (x > 128) FUZZ_CHECK(level >= uint32_t(x));
    }
}

// The bytes of the image file from `position` on (fewer where it ends).
std::string image_bytes(long position, size_t count) {
    FILE* image = gen_state.image_file;
    FUZZ_CHECK(fflush(image) == 0);
    std::string bytes(count, '\0');
    const ssize_t got = pread(fileno(image), bytes.data(), count, position);
    FUZZ_CHECK(got >= 0);
    bytes.resize(static_cast<size_t>(got));
    return bytes;
}

// A voice written without error from n samples holds the plain encoding of
// the first n samples of the wave, at its place behind the link area; an EQ01
// voice by the plain code table `eq01_codes`.
void check_voice_bytes(const char* name, std::string_view wave, int n, long data_position,
                       const std::array<uint32_t, 256>& eq01_codes) {
    const voice_node* voice = find_voice(name);
    FUZZ_CHECK(voice);
    FUZZ_CHECK(n >= 0 && wave.size() >= 44 && wave.size() - 44 >= size_t(n));
    const std::string_view samples = wave.substr(44, size_t(n));
    std::string expected;
    switch (voice->type) {
    case kVoicePcm:
        expected = plain::pcm(samples);
        break;
    case kVoiceAdpcm:
        expected = plain::adpcm(samples);
        break;
    default:
        expected = plain::eq01(samples, eq01_codes);
        break;
    }
    FUZZ_CHECK(int64_t(voice->end) - voice->start + 1 == int64_t(expected.size()));
    FUZZ_CHECK(image_bytes(data_position + voice->start, expected.size()) == expected);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::make_private_folder("tessor-fuzz-wave");
    fuzzsupport::silence_console();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::InPrivateFolder here;
    if (size < kControlBytes) return -1;
    const uint8_t* control = data;
    std::string_view wave(reinterpret_cast<const char*>(data + kControlBytes),
                          size - kControlBytes);
    static const int kTypes[] = {kVoicePcm, kVoiceAdpcm, kVoiceEq01, kVoiceEq01};
    const int type = kTypes[control[0] & 3];
    const bool second_voice = control[0] & 4;
    const bool direct_call = control[0] & 8;
    const int bits = static_cast<int8_t>(control[1]);
    const int mu = le32(control + 2);
    const int offset = static_cast<int16_t>(control[6] | (control[7] << 8));
    const int link_entries = control[8] | (control[9] << 8);
    const int skew = static_cast<int8_t>(control[11]);

    testsupport::write_file(kWavePath, wave);

    // The header check alone: a header that passes leaves the file at its
    // first sample and gives the header's sample count.
    FILE* file = fopen(kWavePath, "rb");
    FUZZ_CHECK(file);
    gen_state = gen_state_t{};
    int n = 0;
    int rc = check_wave_header(file, &n);
    if (rc == kOk) {
        FUZZ_CHECK(wave.size() >= 44);
        FUZZ_CHECK(ftell(file) == 44);
        FUZZ_CHECK(n == le32(reinterpret_cast<const uint8_t*>(wave.data()) + 40));
    } else {
        FUZZ_CHECK(rc == kErrWaveFile);
    }
    fclose(file);

    const std::array<uint32_t, 256> plain_codes = plain::eq01_codes(bits, mu);
    check_eq01_tables(bits, mu, plain_codes);

    // Pass 1 as the grammar runs it: enter the voices and reserve their bytes.
    release_all();
    gen_state = gen_state_t{};
    reset_for_pass1();
    gen_state.pass = 1;
    gen_state.image_offset = offset;
    gen_state.eq01_enabled = 1;
    gen_state.image_file = fopen(kImagePath, "w+b");
    FUZZ_CHECK(gen_state.image_file);
    int first = define_voice("v", kWaveLiteral, type, -1);
    int second = second_voice ? define_voice("u", kWaveLiteral, type, -1) : kOk;
    FUZZ_CHECK(gen_state.wave_file == nullptr);
    FUZZ_CHECK(gen_state.voice_offset >= 0);

    // The voice data area starts behind the header, the section table and
    // the link area, at any chip offset.
    const int data_position = kImageHeaderSize + 8 * link_entries;
    gen_state.voice_data_addr = offset + data_position;

    // Pass 2: write what pass 1 reserved.
    gen_state.pass = 2;
    int written_first = write_voice("v");
    int written_second = second_voice ? write_voice("u") : kOk;
    FUZZ_CHECK(gen_state.wave_file == nullptr);

    // No voice writes outside the bytes reserved for it, and a voice whose
    // write succeeded fills them to the end.
    long length = file_length(gen_state.image_file);
    const long area_end = data_position + long(gen_state.voice_offset);
    FUZZ_CHECK(length <= area_end);
    const voice_node* last = find_voice(second_voice ? "u" : "v");
    FUZZ_CHECK(last);
    bool all_written = first == kOk && second == kOk && written_first == kOk &&
                       written_second == kOk && last->end >= last->start;
    if (all_written) FUZZ_CHECK(length == area_end);
    if (first == kOk && written_first == kOk)
        check_voice_bytes("v", wave, n, data_position, plain_codes);
    if (second_voice && second == kOk && written_second == kOk)
        check_voice_bytes("u", wave, n, data_position, plain_codes);

    // An encoder handed a sample count that no longer matches the reserved
    // bytes (the file changed between the passes) writes nothing.
    if (direct_call && first == kOk && type != kVoicePcm) {
        const voice_node* voice = find_voice("v");
        FILE* again = fopen(kWavePath, "rb");
        FUZZ_CHECK(again);
        int header_n = 0;
        if (check_wave_header(again, &header_n) == kOk) {
            int skewed = static_cast<int>(static_cast<uint32_t>(header_n) + uint32_t(skew));
            fflush(gen_state.image_file);
            long before = file_length(gen_state.image_file);
            int result = type == kVoiceAdpcm
                             ? encode_adpcm(again, offset, gen_state.voice_data_addr, voice->start,
                                            voice->end, skewed, "v", kWavePath)
                             : encode_eq01(again, offset, gen_state.voice_data_addr, voice->start,
                                           voice->end, skewed, "v", kWavePath);
            long after = file_length(gen_state.image_file);
            FUZZ_CHECK(after <= area_end);
            if (result == kErrVoiceChanged) FUZZ_CHECK(after == before);
            // A skew that keeps the size encodes the skewed count of samples.
            if (result == kOk) check_voice_bytes("v", wave, skewed, data_position, plain_codes);
        }
        fclose(again);
    }

    release_all();
    reset_eq01_tables();
    return 0;
}
