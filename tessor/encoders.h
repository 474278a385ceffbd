// The voice encoders that pass 2 calls for .ADPCM and .EQ01 voices.
// Each reads n samples from `wave` (positioned at the first sample), writes the
// voice's reserved bytes into gen_state.image_file and returns 0 or an error code.
#pragma once

#include <cstdint>
#include <cstdio>

// ADPCM: 4-bit adaptive codes, two per byte.
int encode_adpcm(FILE* wave, int image_offset, int voice_data_addr, int start, int end, int n,
                 const char* name, const char* path);
int adapt_adpcm_step(int m, int s);

// EQ01: 5-bit mu-law companding codes, eight per five bytes.
extern uint32_t eq01_code_table[256];
extern int eq01_code_count;
extern uint32_t eq01_decode_table[256];

int build_eq01_table(int bits, int mu);
void build_eq01_decode_table();
int encode_eq01(FILE* wave, int image_offset, int voice_data_addr, int start, int end, int n,
                const char* name, const char* path);
int pack_eq01_code(int i, int code);
int flush_eq01_group(int n);

// Clears the EQ01 tables so that a new compile starts from nothing.
void reset_eq01_tables();
