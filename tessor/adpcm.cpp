// ADPCM voice encoder: each 8-bit unsigned sample becomes a 4-bit code (3-bit
// magnitude, sign in bit 3) against a predictor that starts at mid-scale and a
// step of 1, 2, 4 or 8. Two codes share a byte, the earlier sample in the low
// nibble. The predictor and step move only by the emitted code, so the chip's
// decoder, starting from the same values, tracks the encoder exactly.
#include <algorithm>
#include <bit>
#include <cstddef>
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

namespace {

// What the encoder does for one sample, looked up by step and difference: its
// code, the predictor's change, and the row of the next step. The samples go
// through the table in a short chain of dependent steps; computed, each would
// wait on a division and the step's adaptation.
struct alignas(8) AdpcmStep { // 8 bytes: an entry's address is one scaled index
    int16_t delta;            // added to the predictor, which then is held to 0..255
    uint16_t next_row;        // the row of the next step, at difference 0
    uint8_t code;
};

constexpr int kDifferences = 511; // sample - predictor: -255..255
constexpr int kSteps = 4;         // 1, 2, 4, 8

struct AdpcmSteps {
    AdpcmStep at[kSteps * kDifferences];
};

// The row of step s, at difference 0.
int step_row(int s) {
    return std::countr_zero(static_cast<unsigned>(s)) * kDifferences + 255;
}

AdpcmSteps build_steps() {
    AdpcmSteps table{};
    for (int s = 1; s <= 8; s *= 2) {
        for (int d = -255; d <= 255; ++d) {
            const bool negative = d < 0;
            int m = (negative ? -d : d) / s;
            if (m > 7) m = 7;
            const int delta = s * m + s / 2;
            AdpcmStep& step = table.at[step_row(s) + d];
            step.delta = static_cast<int16_t>(negative ? -delta : delta);
            step.next_row = static_cast<uint16_t>(step_row(adapt_adpcm_step(m, s)));
            step.code = static_cast<uint8_t>(negative ? m + 8 : m);
        }
    }
    return table;
}

// The code of sample x; moves the predictor p and the step's row on. Both
// are kept as wide as an address, so that no widening lengthens the chain of
// dependent steps from one sample to the next.
inline unsigned encode_sample(const AdpcmStep* steps, ptrdiff_t x, ptrdiff_t& p, ptrdiff_t& row) {
    const AdpcmStep& step = steps[row + x - p];
    p = std::clamp<ptrdiff_t>(p + step.delta, 0, 255);
    row = step.next_row;
    return step.code;
}

} // namespace

int encode_adpcm(FILE* wave, int image_offset, int voice_data_addr, int start, int end, int n,
                 const char* name, const char* path) {
    // A negative count comes from a header word of 2 GiB or more: no voice that size exists.
    if (n < 0) return kErrSampleCount;
    // The space pass 1 reserved must hold exactly the codes of n samples; 64-bit sums so
    // that extreme header values cannot overflow.
    const int64_t size = (static_cast<int64_t>(n) + 1) / 2;
    if (size != static_cast<int64_t>(end) - start + 1) return kErrVoiceChanged;

    print_line("ADPCM Samples = %8d <%-s> : \"%s\".\n", n, name ? name : "", path ? path : "");

    FILE* image = gen_state.image_file;
    if (!image || !wave) return kErrWrite;
    if (!seek_image(static_cast<int64_t>(voice_data_addr) + start, image_offset)) return kErrWrite;

    static const AdpcmSteps table = build_steps();
    const AdpcmStep* steps = table.at;
    ptrdiff_t p = 128;           // predictor
    ptrdiff_t row = step_row(1); // step
    // Blocks of an even number of samples: every block but the voice's last
    // ends on a whole byte. A block read short ends with the bytes of the
    // pairs it completed written.
    uint8_t in[64 * 1024];
    uint8_t out[sizeof in / 2];
    int i = 0;
    while (i < n) {
        const size_t want = std::min<size_t>(sizeof in, static_cast<size_t>(n - i));
        const size_t got = fread(in, 1, want, wave);
        const size_t pairs = got / 2;
        for (size_t k = 0; k < pairs; ++k) {
            const unsigned low = encode_sample(steps, in[2 * k], p, row);
            const unsigned high = encode_sample(steps, in[2 * k + 1], p, row);
            out[k] = static_cast<uint8_t>(low | high << 4);
        }
        if (fwrite(out, 1, pairs, image) != pairs) return kErrWrite;
        if (got < want) return kErrRead;
        i += static_cast<int>(got);
        // An odd count leaves the last code alone in its byte.
        if (got % 2 != 0 &&
            putc(static_cast<int>(encode_sample(steps, in[got - 1], p, row)), image) == EOF)
            return kErrWrite;
    }
    // Buffered bytes may only fail on their way out: a failed flush is a failed write.
    if (fflush(image) != 0) return kErrWrite;
    return 0;
}
