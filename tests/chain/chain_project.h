// The voice project the whole-chain test takes from WAV files to the chip:
// the files, and what the user puts into the sections of the editor. The
// editor session makes the project from it, the chip is checked against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace chain {

struct Wave {
    const char* name;
    uint32_t rate;
    size_t samples;
};

// Different rates and lengths; odd and page-crossing sizes on purpose.
inline const std::vector<Wave> kWaves = {
    {"door.wav", 8000, 1000},
    {"bell.wav", 11025, 513},
    {"birds.wav", 6000, 700},
    {"chime.wav", 22050, 300},
};

// The samples of wave `index`: a pattern of its own, never an erased run.
inline std::vector<uint8_t> WaveSamples(size_t index) {
    std::vector<uint8_t> samples(kWaves[index].samples);
    for (size_t k = 0; k < samples.size(); ++k)
        samples[k] = static_cast<uint8_t>(k * (2 * index + 3) + 40 * index + 1);
    return samples;
}

struct Group {
    size_t wave; // index into kWaves, which is also its row in the file list
    bool busy;
};

struct Section {
    int number; // 0 to 255, as the editor's list shows it
    bool edge, hold, retrg;
    std::vector<Group> groups;
};

// The last section is among them; every other section keeps its defaults.
inline const std::vector<Section> kSections = {
    {0, false, false, true, {{0, true}, {2, true}}},
    {9, true, true, true, {{1, false}}},
    {128, false, true, false, {{3, true}, {0, true}, {3, false}}},
    {255, true, false, false, {{2, false}, {1, true}}},
};

// Mode CPU Parallel and Vout DAC: the image's mode byte has the ramp bit
// (DAC) over the trigger mode's code 48.
inline constexpr uint8_t kModeByte = 0x80 | 48;

} // namespace chain
