// EQ01 voice encoder: a mu-law companding code that maps each 8-bit unsigned
// sample to a 5-bit code, fine near mid-scale (128) and coarse toward 0 and 255.
// Eight codes are packed into a 5-byte group: byte 0 carries bit 0 of each code,
// bytes 1-4 carry bits 1-4 as nibbles, two codes per byte.
//
// The code table is computed with a fixed mix of 32-bit float and double steps;
// changing any of them moves code boundaries, and with them the decode levels
// that the image header carries for the chip.
#include <algorithm>
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

// Two samples at a time: one lookup gives both codes' high nibbles as the byte
// they share, and their low bits (bits 8 and 9) for group byte 0. Derived from
// the code table when the first EQ01 voice is written.
uint16_t eq01_pair_codes[65536];
bool pair_codes_ready = false;

void build_pair_codes() {
    // Each sample's share of a pair's entry, as the earlier and as the later
    // sample; an entry is the two shares together.
    uint16_t earlier[256], later[256];
    for (unsigned x = 0; x < 256; ++x) {
        const unsigned c = eq01_code_table[x] & 0xFF;
        earlier[x] = static_cast<uint16_t>(((c >> 1) & 0x0F) | ((c & 1) << 8));
        later[x] = static_cast<uint16_t>((((c >> 1) & 0x0F) << 4) | ((c & 1) << 9));
    }
    for (unsigned second = 0; second < 256; ++second)
        for (unsigned first = 0; first < 256; ++first)
            eq01_pair_codes[second << 8 | first] =
                static_cast<uint16_t>(earlier[first] | later[second]);
    pair_codes_ready = true;
}

// Bytes go out one at a time through the image's stream buffer; the unlocked
// calls keep that a pointer step (the program has one thread).
bool write_group(FILE* image) {
    for (uint8_t byte : eq01_group)
        if (putc_unlocked(byte, image) == EOF) return false;
    return true;
}

} // namespace

void reset_eq01_tables() {
    std::memset(eq01_code_table, 0, sizeof eq01_code_table);
    std::memset(eq01_decode_table, 0, sizeof eq01_decode_table);
    eq01_code_count = 0;
    pair_codes_ready = false;
    std::memcpy(eq01_group, kEmptyGroup, sizeof eq01_group);
}

int build_eq01_table(int bits, int mu) {
    if (bits < 5 || bits > 8) {
        print_line("Internal error");
        return kErrTableBits;
    }
    const uint32_t n = 1u << bits; // number of codes
    const uint32_t q = 256 / n;    // sample values per code step
    const uint32_t c = 128 / q;    // the mid-scale code
    eq01_code_count = static_cast<int>(n);
    pair_codes_ready = false;
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
    const unsigned j = static_cast<unsigned>(i) & 7; // i % 8 for the non-negative sample numbers
    if (j == 0) std::memcpy(eq01_group, kEmptyGroup, sizeof eq01_group);

    // Without branches on the code's bits: they follow the audio and would
    // mispredict half the time.
    eq01_group[0] = static_cast<uint8_t>(eq01_group[0] | ((code & 1u) << j));
    const unsigned shift = (j & 1) * 4; // low nibble for even j, high for odd
    uint8_t& b = eq01_group[1 + j / 2];
    b = static_cast<uint8_t>((b & ~(0x0Fu << shift)) | (((code >> 1) & 0x0Fu) << shift));

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
    if (size != static_cast<int64_t>(end) - start + 1) return kErrVoiceChanged;

    print_line("EQ01  Samples = %8d <%-s> : \"%s\".\n", n, name ? name : "", path ? path : "");

    FILE* image = gen_state.image_file;
    if (!image || !wave) return kErrWrite;
    if (!seek_image(static_cast<int64_t>(voice_data_addr) + start, image_offset)) return kErrWrite;

    // Whole groups are built from blocks of samples into blocks of bytes that
    // hold exactly what pack_eq01_code would write; the last, partial group
    // goes through it. A block read short ends with the groups it completed
    // written, as the one-by-one packing leaves them.
    if (!pair_codes_ready) build_pair_codes();
    constexpr int kBlockGroups = 8192; // 64 KiB of samples, read straight into `in`
    uint8_t in[8 * kBlockGroups];
    uint8_t out[kGroupBytes * kBlockGroups];
    int i = 0;
    while (i < n) {
        const size_t want = std::min<size_t>(sizeof in, static_cast<size_t>(n - i));
        const size_t got = fread(in, 1, want, wave);
        const size_t groups = got / 8;
        for (size_t g = 0; g < groups; ++g) {
            const uint8_t* x = in + 8 * g;
            uint8_t* o = out + kGroupBytes * g;
            unsigned bits0 = 0;
            for (unsigned k = 0; k < 4; ++k) {
                const unsigned p = eq01_pair_codes[x[2 * k] | (x[2 * k + 1] << 8)];
                o[1 + k] = static_cast<uint8_t>(p);
                bits0 |= (p >> 8) << (2 * k);
            }
            o[0] = static_cast<uint8_t>(bits0);
        }
        const size_t bytes = kGroupBytes * groups;
        if (fwrite(out, 1, bytes, image) != bytes) return kErrWrite;
        if (got < want) return kErrRead;
        i += static_cast<int>(8 * groups);
        // Blocks hold whole groups but the voice's last: its samples end it.
        for (size_t k = 8 * groups; k < got; ++k, ++i) {
            const int rc = pack_eq01_code(i, static_cast<int>(eq01_code_table[in[k]] & 0xFF));
            if (rc != 0) return rc;
        }
    }
    if (flush_eq01_group(n) != 0) return kErrWrite;
    // Buffered bytes may only fail on their way out: a failed flush is a failed write.
    if (fflush(image) != 0) return kErrWrite;
    return 0;
}
