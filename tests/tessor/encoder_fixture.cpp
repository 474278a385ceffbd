#include "encoder_fixture.h"

#include <gtest/gtest.h>

#include "gen_state.h"
#include "test_support.h"

Encoded run_encoder(EncodeFn encode, const std::vector<uint8_t>& samples, int n, int reserved,
                    const char* name, const char* path, FILE* image) {
    testsupport::TempDir dir;
    testsupport::write_wav(dir.file("v.wav"), samples);
    testsupport::write_file(dir.file("img"), "\xEE\xEE\xEE");
    FILE* wave = fopen(dir.file("v.wav").c_str(), "rb");
    fseek(wave, 44, SEEK_SET);
    FILE* own = image ? nullptr : fopen(dir.file("img").c_str(), "r+b");
    gen_state.image_file = image ? image : own;
    testing::internal::CaptureStdout();
    Encoded r;
    r.rc = encode(wave, 0x100, 0x101, 2, 2 + reserved - 1, n, name, path);
    r.out = testing::internal::GetCapturedStdout();
    fclose(wave);
    if (own) fclose(own);
    gen_state.image_file = nullptr;
    r.image = testsupport::read_file(dir.file("img"));
    return r;
}
