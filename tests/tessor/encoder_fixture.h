// Runs one voice encoder directly on samples from a WAV file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct Encoded {
    int rc;
    std::string out;   // console output
    std::string image; // the whole image file afterwards
};

using EncodeFn = int (*)(FILE* wave, int image_offset, int voice_data_addr, int start, int end,
                         int n, const char* name, const char* path);

// Encodes `samples` from a WAV file into an image that already holds three
// marker bytes. Chip addresses are chosen so that the voice lands at file
// position 3 only when the encoder seeks to voice_data_addr + start -
// image_offset. `image` replaces the image file when given (for write failures).
Encoded run_encoder(EncodeFn encode, const std::vector<uint8_t>& samples, int n, int reserved,
                    const char* name, const char* path, FILE* image = nullptr);
