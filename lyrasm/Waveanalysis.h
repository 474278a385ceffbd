// The canonical 44-byte header of a WAV voice file, read at fixed offsets,
// and the test for the one kind of file the editor takes: 8-bit mono PCM.
#pragma once

#include <QString>

#include <cstdint>

class WaveHeader {
  public:
    // Reads the header of the file at `path`. True when the file opened,
    // whatever it holds; false (slots untouched) when it cannot be opened.
    bool Load(const QString& path);

    // "RIFF", "WAVE", a 16-byte "fmt " chunk of PCM, one channel, block
    // align 1, 8 bits, and the "data" chunk right after it, all within a
    // complete 44-byte header.
    bool IsPcm8Mono() const;

    int32_t GetSampleRate() const { return Slot[7]; }
    int32_t GetDataSize() const { return Slot[12]; }

  private:
    // One slot per header field in file order; 2-byte fields zero-extended,
    // 4-byte fields taken as signed.
    int32_t Slot[13] = {};
    // False when the file ended inside the header: a cut header is refused
    // even where the fields that arrived look right.
    bool Complete = false;
};
