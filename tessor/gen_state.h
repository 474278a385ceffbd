// The generator's compile state: one record that every stage of the compile
// reads and changes. Pass 1 resets it; pass 2 works on what pass 1 left.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>

#include "name_index.h"

struct const_node;
struct voice_node;

constexpr int kSectionSlots = 1024; // section numbers 1..1023; slot 0 belongs to no section
constexpr int kParamSlots = 10;     // $0..$9 and %0..%9

struct gen_state_t {
    int pass = 0;
    int error_count = 0;
    std::string script_params[kParamSlots];
    int param_count = 0;

    FILE* script_file = nullptr;
    FILE* image_file = nullptr;
    FILE* wave_file = nullptr;
    // The image's status when it was opened: its identity, so that no file
    // the run reads can be it, and the bytes it held before the run.
    struct stat image_status {};
    bool image_is_voice = false; // a voice file is the image: it keeps its bytes
    bool image_started = false;  // emptied of what it held before the run
    // A failed write of the image was reported: the run counts it once.
    bool image_write_failed = false;

    const_node* const_list = nullptr;   // newest first
    voice_node* voice_list = nullptr;   // newest first
    name_index<voice_node> voice_index; // the voice list by name

    int voice_offset = 0;
    int sample_rate = 0;
    int max_section = 0;
    int ramp_en = 0; // bit 7 set: ramp enabled
    int sbt_max = 0;
    int rck = 0;
    int func_code = 0;
    int image_offset = 0;
    int max_size = 0;
    int cpu_mem_size = 0;
    int grp_adr = 0;
    int encoder_bits = 0;
    int eq01_enabled = 0;
    int eq01_mu = 0;
    int section_table_addr = 0;
    int link_area_addr = 0;
    int voice_data_addr = 0;
    int section_link_count[kSectionSlots] = {};
    int section_links_written[kSectionSlots] = {};
    int section_link_table[kSectionSlots] = {};
    int section_flags[kSectionSlots] = {};
};

extern gen_state_t gen_state;

// Start values of pass 1 for the settings the script makes; the files,
// parameters and lists stay as they are. `rck` and `func_code` are left
// alone: they start at 0 with the compile state itself (there is one pass 1
// a compile), so a script without `$Rck` or `$FuncCode` compiles with 0
// there. `section_table_addr` is worked out when the header is laid out.
void reset_for_pass1();

// Starts a pass: prints its marker and, for pass 1, resets the state.
void Init_yylex(int pass);

// Frees both lists and closes every open file.
void release_all();

// File position of a chip address: addresses are 32-bit and wrap, so the
// position is too. Seeks the image there; false when that is no position.
bool seek_image(int64_t chip_address, int image_offset);

// A stream buffer large enough for voice data to move in few reads and writes.
using stream_buffer = char[64 * 1024];

// Makes `buffer` the full buffer of `file` (before its first read or write).
// The C library only takes the size along with a buffer of the caller's; it
// must outlive the stream.
void use_large_buffer(FILE* file, stream_buffer& buffer);

// Wraps 32-bit arithmetic the way the chip's tools expect: the low 32 bits.
inline int32_t wrap32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}
