#include "plain_encoders.h"

#include <cmath>

namespace plain {

std::string pcm(std::string_view samples) {
    return std::string(samples);
}

std::string adpcm(std::string_view samples) {
    std::string out;
    int p = 128, s = 1, h = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        const int x = static_cast<uint8_t>(samples[i]);
        const int d = x - p;
        const bool negative = d < 0;
        int m = d / s; // truncated toward zero
        if (m < 0) m = -m;
        if (m > 7) m = 7;
        const int delta = s * m + s / 2;
        p = negative ? p - delta : p + delta;
        if (p < 0) p = 0;
        if (p > 255) p = 255;
        const int code = negative ? m + 8 : m;
        if (i % 2 == 0) {
            h = code;
        } else {
            out.push_back(static_cast<char>(h + code * 16));
        }
        if (m > 4 && s <= 7)
            s = 2 * s;
        else if (m == 0 && s > 1)
            s = s / 2;
    }
    if (samples.size() % 2 != 0) out.push_back(static_cast<char>(h));
    return out;
}

namespace {

// floor(0.5 + v) within 0..limit; a curve without meaning (mu below 1, NaN)
// gives 0.
uint32_t rounded(float v, uint32_t limit) {
    const double r = std::floor(0.5 + v);
    if (std::isnan(r) || r <= 0) return 0;
    return r >= limit ? limit : static_cast<uint32_t>(r);
}

} // namespace

std::array<uint32_t, 256> eq01_codes(int bits, int mu) {
    std::array<uint32_t, 256> codes{};
    if (bits < 5 || bits > 8) return codes;
    const uint32_t n = 1u << bits;
    const uint32_t q = 256 / n;
    const uint32_t c = n / 2;
    const float muf = static_cast<float>(mu);
    const double den = std::log(1.0 + static_cast<double>(mu));
    for (int i = 0; i < 256; ++i) {
        if (i == 128) {
            codes[i] = c;
        } else if (i < 128) {
            const float x = static_cast<float>((128 - i) * 0.0078125);
            const float mx = muf * x;
            const double y = std::log(1.0 + mx) / den;
            codes[i] = c - rounded(static_cast<float>(0.5 * n * y), c);
        } else {
            const float x = static_cast<float>((i - 128) / 127.0);
            const float mx = muf * x;
            const double y = std::log(1.0 + mx) / den;
            codes[i] = c + rounded(static_cast<float>((0.5 * n - 1) * y), 127 / q);
        }
    }
    return codes;
}

std::string eq01(std::string_view samples, const std::array<uint32_t, 256>& codes) {
    std::string out;
    uint8_t group[5] = {};
    for (size_t i = 0; i < samples.size(); ++i) {
        const uint32_t code = codes[static_cast<uint8_t>(samples[i])] & 0xFF;
        const size_t j = i % 8;
        if (j == 0) {
            group[0] = 0x00;
            for (int b = 1; b < 5; ++b)
                group[b] = 0x88;
        }
        if (code & 1) group[0] |= static_cast<uint8_t>(1u << j);
        const uint8_t nibble = (code >> 1) & 0x0F;
        uint8_t& byte = group[1 + j / 2];
        if (j % 2 == 0)
            byte = static_cast<uint8_t>((byte & 0xF0) | nibble);
        else
            byte = static_cast<uint8_t>((byte & 0x0F) | (nibble << 4));
        if (j == 7) out.append(reinterpret_cast<const char*>(group), 5);
    }
    if (samples.size() % 8 != 0) out.append(reinterpret_cast<const char*>(group), 5);
    return out;
}

} // namespace plain
