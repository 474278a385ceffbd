#include "Waveanalysis.h"

#include "regular_file.h"

#include <cerrno>

#include <unistd.h>

namespace {

// Byte count of each header field, in file order.
constexpr int kFieldBytes[13] = {4, 4, 4, 4, 4, 2, 2, 4, 4, 2, 2, 4, 4};

int32_t FourCC(const char (&text)[5]) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(text[i]);
    return static_cast<int32_t>(v);
}

// Reads up to `count` bytes; fewer at the end of the file or on an error.
size_t ReadUpTo(int fd, unsigned char* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd, buffer + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return done;
}

} // namespace

bool WaveHeader::Load(const QString& path) {
    // Only a regular file counts as opened (see open_regular_file).
    const int fd = platform::open_regular_file(path);
    if (fd < 0) return false;

    unsigned char header[44] = {};
    Complete = ReadUpTo(fd, header, sizeof header) == sizeof header;
    ::close(fd);

    // Bytes past the end of a short file stay 0, so the slots they belong to
    // keep only the bytes that arrived, and the later ones are 0.
    int offset = 0;
    for (int i = 0; i < 13; ++i) {
        uint32_t value = 0;
        for (int b = kFieldBytes[i] - 1; b >= 0; --b)
            value = (value << 8) | header[offset + b];
        Slot[i] = static_cast<int32_t>(value);
        offset += kFieldBytes[i];
    }
    return true;
}

bool WaveHeader::IsPcm8Mono() const {
    return Complete && Slot[0] == FourCC("RIFF") && Slot[2] == FourCC("WAVE") &&
           Slot[3] == FourCC("fmt ") && Slot[4] == 16 && Slot[5] == 1 && Slot[6] == 1 &&
           Slot[9] == 1 && Slot[10] == 8 && Slot[11] == FourCC("data");
}
