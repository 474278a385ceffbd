// The voice encodings written the plain way, one sample at a time, for the
// tests and the wave harness to hold the generator's block encoders against.
// They share no code with the generator: each follows the loop as the
// encoders describe it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace plain {

// PCM: the samples as they are.
std::string pcm(std::string_view samples);

// ADPCM: predictor from 128, step 1, 2, 4 or 8, 3-bit magnitude and a sign
// bit; the earlier sample of a pair in the low nibble.
std::string adpcm(std::string_view samples);

// The EQ01 code of every sample value for a code width and mu; all 0 for a
// width the table builder refuses.
std::array<uint32_t, 256> eq01_codes(int bits, int mu);

// EQ01: the code's bit 0 in group byte 0, bits 1-4 as nibbles of bytes 1-4,
// eight samples per five-byte group, empty slots reading as code 16.
std::string eq01(std::string_view samples, const std::array<uint32_t, 256>& codes);

} // namespace plain
