#include "voices.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "encoders.h"
#include "gen_state.h"
#include "image_file.h"
#include "input_file.h"
#include "report.h"

namespace {

constexpr int kWaveHeaderSize = 44;
// PCM samples move in blocks of this many bytes, and a block that the file
// cannot fill is not written: a file that, as it was opened, ends before its
// header's count leaves only the whole blocks from the voice's first byte in
// the image. One that shrinks after it was opened is cut the same way where
// the samples go through the streams; the kernel's copy takes it up to its
// shrunk end, partial block included.
constexpr size_t kPcmBlock = 1024;
// Bytes read at a time where the kernel cannot copy (a multiple of kPcmBlock).
constexpr size_t kCopyBlock = 64 * 1024;

unsigned char wave_header[kWaveHeaderSize];
off_t wave_file_size = 0; // of the open wave file, as it was opened

uint16_t le16(const unsigned char* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
int32_t le32(const unsigned char* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                (uint32_t(p[3]) << 24));
}

// Bytes that a voice of n samples occupies in the voice data area.
int64_t reserved_bytes(int type, int n) {
    switch (type) {
    case kVoiceAdpcm:
        return (int64_t(n) + 1) / 2;
    case kVoiceEq01:
        return (int64_t(n) + 7) / 8 * 5;
    default:
        return n;
    }
}

void close_wave() {
    if (gen_state.wave_file) {
        fclose(gen_state.wave_file);
        gen_state.wave_file = nullptr;
    }
}

// Opens a voice's WAV file into the one wave slot and checks its header. The
// stream has no buffer of its own: pass 1 reads only the header, and pass 2
// has the kernel copy the samples or reads them in large blocks straight into
// the encoder's own array; a buffer would fill with samples never used, read
// again by the kernel, or copied once more. A file that is the image is not
// read: the image keeps it as it is (see start_image_file).
int open_wave(const char* path, int* sample_count) {
    close_wave();
    struct stat status {};
    gen_state.wave_file = open_input_file(path, status);
    if (!gen_state.wave_file) return kErrFileOpen;
    if (is_image_file(status)) {
        gen_state.image_is_voice = true;
        close_wave();
        return kErrWaveIsImage;
    }
    wave_file_size = status.st_size;
    setvbuf(gen_state.wave_file, nullptr, _IONBF, 0);
    return check_wave_header(gen_state.wave_file, sample_count);
}

size_t whole_blocks(size_t bytes) {
    return bytes / kPcmBlock * kPcmBlock;
}

// Of the `count` bytes a voice asks for from the wave's position `from` on,
// those its file holds: all of them, or where the file (by the size it had
// when it was opened) ends before, only the whole blocks from the voice's
// first byte.
size_t usable_bytes(off_t from, size_t count) {
    if (from < 0 || wave_file_size - from >= off_t(count)) return count;
    return wave_file_size > from ? whole_blocks(size_t(wave_file_size - from)) : 0;
}

// Copies what it can of the `*left` bytes from the wave's position `from`
// to the image's position within the kernel, so that the samples never pass through
// this process, and leaves both streams after the bytes copied and `*left`
// the bytes not copied: all of them where the kernel cannot copy between the
// two files (another file system, a device), the rest when the wave has
// shrunk since it was opened or the copy failed on the way. Returns the error
// of a flush or seek.
int copy_by_kernel(FILE* wave, off_t from, FILE* image, size_t* left) {
    if (*left == 0) return kOk;
    // Asked before the flush, while the stream may still know its position
    // without asking the kernel.
    off_t to = ftello(image);
    if (from < 0 || to < 0) return kOk;
    const size_t count = *left;
    if (fflush(image) != 0) return kErrWrite;
    while (*left > 0) {
        ssize_t copied = copy_file_range(fileno(wave), &from, fileno(image), &to, *left, 0);
        if (copied <= 0) break;
        *left -= static_cast<size_t>(copied);
    }
    if (*left == count) return kOk;
    // The streams still stand where the copy began; the wave is read on only
    // when something is left.
    if (fseeko(image, to, SEEK_SET) != 0) return kErrWrite;
    if (*left > 0 && fseeko(wave, from, SEEK_SET) != 0) return kErrRead;
    return kOk;
}

} // namespace

voice_node* find_voice(const char* name) {
    // Every $Groups line looks its voice up, in both passes: by the index, not
    // along the list. Names are unique without regard to case, so the index
    // finds the one voice the list holds under the name.
    auto found = gen_state.voice_index.find(name);
    return found == gen_state.voice_index.end() ? nullptr : found->second;
}

int check_wave_header(FILE* file, int* sample_count) {
    if (fread(wave_header, 1, kWaveHeaderSize, file) != kWaveHeaderSize) return kErrWaveFile;
    if (memcmp(wave_header, "RIFF", 4) != 0 || le16(wave_header + 22) != 1 ||
        le16(wave_header + 34) != 8)
        return kErrWaveFile;

    int rate = le32(wave_header + 24);
    if (gen_state.sample_rate == 0)
        print_line("Find Sample Rate %d Hz in wave.\n", rate);
    else if (gen_state.sample_rate != rate)
        print_line("Find different Sample Rate %d Hz in wave!\n", rate);
    gen_state.sample_rate = rate;

    *sample_count = le32(wave_header + 40);
    return kOk;
}

int define_voice(const char* name, const char* text, int voice_type, int length) {
    if (find_voice(name)) return kErrVoiceRedefined;

    auto* node = static_cast<voice_node*>(calloc(1, sizeof(voice_node)));
    if (!node) return kErrMalloc;
    node->name = strdup(name);
    if (!node->name) {
        free(node);
        return kErrMalloc;
    }
    if (voice_type != kVoiceSilence) {
        // The literal's text between its two double quotes.
        size_t literal_length = strlen(text);
        size_t path_length = literal_length >= 2 ? literal_length - 2 : 0;
        node->path = strndup(text + (literal_length ? 1 : 0), path_length);
        if (!node->path) {
            free(node->name);
            free(node);
            return kErrMalloc;
        }
    }
    node->type = voice_type;
    // Entered before any check of its file, so later $Groups lines find it.
    try {
        gen_state.voice_index.emplace(node->name, node);
    } catch (const std::bad_alloc&) {
        free(node->path);
        free(node->name);
        free(node);
        return kErrMalloc;
    }
    node->next = gen_state.voice_list;
    gen_state.voice_list = node;

    if (voice_type == kVoiceSilence) {
        node->start = 0;
        node->end = wrap32(int64_t(length) - 1);
        return kOk;
    }

    // Until its header passes, the voice holds no space.
    node->start = gen_state.voice_offset;
    node->end = wrap32(int64_t(node->start) - 1);

    int n = 0;
    int rc = open_wave(node->path, &n);
    if (rc == kOk) {
        int64_t size = reserved_bytes(voice_type, n);
        // A sample count read as negative, or one that would carry the voice
        // data area past 2 GiB, cannot be a real voice.
        if (n < 0 || int64_t(gen_state.voice_offset) + size > INT_MAX) {
            rc = kErrSampleCount;
        } else {
            gen_state.voice_offset += static_cast<int>(size);
            node->end = gen_state.voice_offset - 1;
        }
    }
    close_wave();
    return rc;
}

int copy_pcm_data(FILE* wave, int image_offset, int voice_data_addr, int start, int end,
                  const char* name, const char* path) {
    int count = wrap32(int64_t(end) - start + 1);
    print_line("PCM   Samples = %8d <%-s> : \"%s\".\n", count, name, path);
    if (count <= 0) return kOk;
    if (!seek_image(int64_t(voice_data_addr) + start, image_offset)) return kErrWrite;

    const off_t from = ftello(wave);
    const size_t usable = usable_bytes(from, static_cast<size_t>(count));
    // What the kernel did not copy goes through the streams, where a read or
    // write that fails is told apart as ever.
    size_t left = usable;
    if (int rc = copy_by_kernel(wave, from, gen_state.image_file, &left); rc != kOk) return rc;
    // All copied: the image stream was flushed before the copy and holds
    // nothing; flushing it again would only make it forget its position.
    if (left == 0 && usable == static_cast<size_t>(count)) return kOk;
    static unsigned char block[kCopyBlock];
    while (left > 0) {
        size_t want = left < kCopyBlock ? left : kCopyBlock;
        size_t got = fread(block, 1, want, wave);
        // Of a file that shrank since it was opened, these reads put only
        // whole blocks of the voice in the image; what the kernel copied of
        // it before stays, up to its shrunk end, partial block included.
        size_t keep = got;
        if (got < want) {
            // usable - left: the bytes of the voice already in the image.
            size_t whole_end = whole_blocks(usable - left + got);
            keep = whole_end > usable - left ? whole_end - (usable - left) : 0;
        }
        if (fwrite(block, 1, keep, gen_state.image_file) != keep) return kErrWrite;
        if (got < want) return kErrRead;
        left -= want;
    }
    if (usable < static_cast<size_t>(count)) return kErrRead;
    if (fflush(gen_state.image_file) != 0) return kErrWrite;
    return kOk;
}

int write_voice(const char* name) {
    voice_node* voice = find_voice(name);
    if (!voice) return kErrInternal;
    if (voice->type == kVoiceSilence) return kOk;

    int n = 0;
    int rc = open_wave(voice->path, &n);
    if (rc == kOk && n < 0) rc = kErrSampleCount;
    if (rc == kOk) {
        FILE* wave = gen_state.wave_file;
        const gen_state_t& g = gen_state;
        switch (voice->type) {
        case kVoicePcm:
            rc = copy_pcm_data(wave, g.image_offset, g.voice_data_addr, voice->start, voice->end,
                               voice->name, voice->path);
            break;
        case kVoiceAdpcm:
            rc = encode_adpcm(wave, g.image_offset, g.voice_data_addr, voice->start, voice->end, n,
                              voice->name, voice->path);
            break;
        case kVoiceEq01:
            // Without an accepted $Encoder line there is no code table to use.
            if (g.eq01_enabled == 1)
                rc = encode_eq01(wave, g.image_offset, g.voice_data_addr, voice->start, voice->end,
                                 n, voice->name, voice->path);
            break;
        default:
            rc = kErrInternal;
        }
    }
    close_wave();
    return rc;
}

void free_voices() {
    gen_state.voice_index.clear();
    while (voice_node* v = gen_state.voice_list) {
        gen_state.voice_list = v->next;
        free(v->name);
        free(v->path);
        free(v);
    }
}
