// ADPCM voice encoder: each 8-bit unsigned sample becomes a 4-bit code (3-bit
// magnitude, sign in bit 3) against a predictor that starts at mid-scale and a
// step of 1, 2, 4 or 8. Two codes share a byte, the earlier sample in the low
// nibble. The predictor and step move only by the emitted code, so the chip's
// decoder, starting from the same values, tracks the encoder exactly.
#include <bit>
#include <cstdint>
#include <cstdio>

#include "encoders.h"
#include "gen_state.h"
#include "report.h"

int adapt_adpcm_step(int m, int s) {
    if (m > 4 && s <= 7) return 2 * s;
    if (m == 0 && s > 1) return s / 2;
    return s;
}

int encode_adpcm(FILE* wave, int image_offset, int voice_data_addr, int start, int end, int n,
                 const char* name, const char* path) {
    // A negative count comes from a header word of 2 GiB or more: no voice that size exists.
    if (n < 0) return kErrSampleCount;
    // The space pass 1 reserved must hold exactly the codes of n samples; 64-bit sums so
    // that extreme header values cannot overflow.
    const int64_t size = (static_cast<int64_t>(n) + 1) / 2;
    if (size != static_cast<int64_t>(end) - start + 1) return -1;

    print_line("ADPCM Samples = %8d <%-s> : \"%s\".\n", n, name ? name : "", path ? path : "");

    FILE* image = gen_state.image_file;
    if (!image || !wave) return kErrWrite;
    if (!seek_image(static_cast<int64_t>(voice_data_addr) + start, image_offset)) return kErrWrite;

    // Samples come in and codes go out a byte at a time through the streams
    // buffers; the unlocked calls keep each one a pointer step (one thread).
    // The step is always a power of two (1, 2, 4 or 8), so the magnitude's
    // division is a shift by the step's exponent.
    int p = 128; // predictor
    int s = 1;   // step
    int k = 0;   // s == 1 << k
    int h = 0;   // the byte being filled
    for (int i = 0; i < n; ++i) {
        const int x = getc_unlocked(wave);
        if (x == EOF) return kErrRead;

        const int d = x - p;
        const bool negative = d < 0;
        int m = (negative ? -d : d) >> k;
        if (m > 7) m = 7;

        const int delta = s * m + s / 2;
        p += negative ? -delta : delta;
        if (p < 0) p = 0;
        if (p > 255) p = 255;

        const int code = negative ? m + 8 : m;
        if (i % 2 == 0) {
            h = code;
        } else {
            h += code * 16;
            if (putc_unlocked(h, image) == EOF) return kErrWrite;
        }
        s = adapt_adpcm_step(m, s);
        k = std::countr_zero(static_cast<unsigned>(s));
    }
    if (n % 2 != 0) {
        if (putc_unlocked(h, image) == EOF) return kErrWrite;
    }
    // Buffered bytes may only fail on their way out: a failed flush is a failed write.
    if (fflush(image) != 0) return kErrWrite;
    return 0;
}
