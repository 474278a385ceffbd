// The voice list and the WAV input of the voices.
#pragma once

#include <cstdio>

enum voice_type : int {
    kVoiceSilence = 1,
    kVoiceAdpcm = 2,
    kVoicePcm = 3,
    kVoiceEq01 = 4,
};

struct voice_node {
    char* name;
    char* path; // null for a silence voice
    int type;
    int start; // offset of the first byte in the voice data area
    int end;   // offset of the last byte (silence: length - 1)
    voice_node* next;
};

voice_node* find_voice(const char* name);
int define_voice(const char* name, const char* text, int voice_type, int length);
int write_voice(const char* name);
int check_wave_header(FILE* file, int* sample_count);
int copy_pcm_data(FILE* wave, int image_offset, int voice_data_addr, int start, int end,
                  const char* name, const char* path);
void free_voices();
