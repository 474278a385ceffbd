// The Data Memory File: header, decode table, section table and link entries.
#pragma once

constexpr int kImageHeaderSize = 48;

int write_image_header();
int write_section_link(int section, const char* name, int rate, int busy);
