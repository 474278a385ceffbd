// EQ01 voice encoder: a mu-law companding code that maps each 8-bit unsigned
// sample to a 5-bit code, fine near mid-scale (128) and coarse toward 0 and 255.
// Eight codes are packed into a 5-byte group: byte 0 carries bit 0 of each code,
// bytes 1-4 carry bits 1-4 as nibbles, two codes per byte.
//
// The code table is computed with a fixed mix of 32-bit float and double steps;
// changing any of them moves code boundaries, and with them the decode levels
// that the image header carries for the chip.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "encoders.h"
#include "gen_state.h"
#include "report.h"

uint32_t eq01_code_table[256];
int eq01_code_count;
uint32_t eq01_decode_table[256];

namespace {

constexpr int kGroupBytes = 5;
constexpr uint8_t kEmptyGroup[kGroupBytes] = {0x00, 0x88, 0x88, 0x88, 0x88};

// The group being filled; slots no sample reaches read as code 16, the mid-scale code.
uint8_t eq01_group[kGroupBytes] = {0x00, 0x88, 0x88, 0x88, 0x88};

// floor(0.5 + v) limited to 0..limit. Values outside that range (and NaN, which
// only a parameter below 1 produces) are clamped before the integer conversion.
uint32_t round_clamped(float v, uint32_t limit) {
    const double r = std::floor(0.5 + v);
    if (!(r > 0)) return 0; // also NaN
    if (r >= limit) return limit;
    return static_cast<uint32_t>(r);
}

bool write_group(FILE* image) {
    return fwrite(eq01_group, 1, kGroupBytes, image) == kGroupBytes && !ferror(image);
}

} // namespace

void reset_eq01_tables() {
    std::memset(eq01_code_table, 0, sizeof eq01_code_table);
    std::memset(eq01_decode_table, 0, sizeof eq01_decode_table);
    eq01_code_count = 0;
    std::memcpy(eq01_group, kEmptyGroup, sizeof eq01_group);
}

int build_eq01_table(int bits, int mu) {
    if (bits < 5 || bits > 8) {
        print_line("Internal error");
        return -1;
    }
    const uint32_t n = 1u << bits; // number of codes
    const uint32_t q = 256 / n;    // sample values per code step
    const uint32_t c = 128 / q;    // the mid-scale code
    eq01_code_count = static_cast<int>(n);
    eq01_code_table[128] = c;

    const float muf = static_cast<float>(mu);
    const double mud = static_cast<double>(mu);
    const double den = std::log(1 + mud);

    // Below mid-scale: x runs from 1 down to 1/128 in exact binary steps.
    for (int i = 0; i < 128; ++i) {
        const float x = static_cast<float>((128 - i) * 0.0078125);
        const float mx = muf * x;
        const double y = std::log(1 + static_cast<double>(mx)) / den;
        const float v = static_cast<float>(0.5 * n * y);
        eq01_code_table[i] = c - round_clamped(v, c);
    }
    // Above mid-scale: x runs from 1/127 up to 1, one code fewer to spread over.
    for (int i = 129; i < 256; ++i) {
        const float x = static_cast<float>((i - 128) / 127.0);
        const float mx = muf * x;
        const double y = std::log(1 + static_cast<double>(mx)) / den;
        const float v = static_cast<float>((0.5 * n - 1) * y);
        eq01_code_table[i] = c + round_clamped(v, 127 / q);
    }
    return 0;
}

void build_eq01_decode_table() {
    std::memset(eq01_decode_table, 0, sizeof eq01_decode_table);
    // Codes are at most 255 by construction; the mask keeps any table in bounds.
    auto level = [](int i) -> uint32_t& { return eq01_decode_table[eq01_code_table[i] & 0xFF]; };

    // Lower half: each code decodes to the smallest sample that maps to it.
    for (int i = 127; i >= 0; --i) {
        if (eq01_code_table[i] != eq01_code_table[i + 1]) level(i + 1) = i + 1;
    }
    level(0) = 0;
    // Upper half: each code decodes to the largest sample that maps to it.
    for (int i = 129; i <= 255; ++i) {
        if (eq01_code_table[i] != eq01_code_table[i - 1]) level(i - 1) = i - 1;
    }
    level(255) = 255;
    eq01_decode_table[(eq01_code_count / 2) & 0xFF] = 128;
}

int pack_eq01_code(int i, int code) {
    const int j = i & 7; // i % 8 for the non-negative sample numbers
    if (j == 0) std::memcpy(eq01_group, kEmptyGroup, sizeof eq01_group);

    if (code & 1) eq01_group[0] |= static_cast<uint8_t>(1u << j);
    const uint8_t high = static_cast<uint8_t>((code >> 1) & 0x0F);
    uint8_t& b = eq01_group[1 + j / 2];
    b = (j % 2 == 0) ? static_cast<uint8_t>((b & 0xF0) | high)
                     : static_cast<uint8_t>((b & 0x0F) | (high << 4));

    if (j == 7 && !write_group(gen_state.image_file)) return kErrWrite;
    return 0;
}

int flush_eq01_group(int n) {
    if (n % 8 == 0) return 0;
    return write_group(gen_state.image_file) ? 0 : kErrWrite;
}

int encode_eq01(FILE* wave, int image_offset, int voice_data_addr, int start, int end, int n,
                const char* name, const char* path) {
    // A negative count comes from a header word of 2 GiB or more: no voice that size exists.
    if (n < 0) return kErrSampleCount;
    // The space pass 1 reserved must hold exactly the groups of n samples; 64-bit sums
    // so that extreme header values cannot overflow.
    const int64_t size = (static_cast<int64_t>(n) + 7) / 8 * kGroupBytes;
    if (size != static_cast<int64_t>(end) - start + 1) return -1;

    print_line("EQ01  Samples = %8d <%-s> : \"%s\".\n", n, name ? name : "", path ? path : "");

    FILE* image = gen_state.image_file;
    if (!image || !wave) return kErrWrite;
    if (!seek_image(static_cast<int64_t>(voice_data_addr) + start, image_offset)) return kErrWrite;

    for (int i = 0; i < n; ++i) {
        const int x = fgetc(wave);
        if (x == EOF) return kErrRead;
        const int rc = pack_eq01_code(i, static_cast<int>(eq01_code_table[x] & 0xFF));
        if (rc != 0) return rc;
    }
    if (flush_eq01_group(n) != 0) return kErrWrite;
    // Buffered bytes may only fail on their way out: a failed flush is a failed write.
    if (fflush(image) != 0) return kErrWrite;
    return 0;
}
