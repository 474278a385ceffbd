// Global options and section attributes collected in pass 1.
#pragma once

int check_section_number(int section);
int set_section_option(int section, int bit, const char* text);
int count_section_link(int section, const char* name);
int set_ramp_enable(const char* text);
int select_cpu(const char* text);
int set_encoder(int bits, const char* algorithm, int parameter);

// True when a quoted literal says "Yes" / "No" (quotes included, any case).
bool is_yes(const char* text);
bool is_no(const char* text);
