// Runs the script grammar over the whole script once (one pass).
#pragma once

// Returns the error count at the end of the script, or the parser's own
// non-zero status when it gave up (2: its stack was exhausted).
int run_script_parser();

// The actions of the voice and group lines, shared by their grammar rules.
void voice_line(const char* name, const char* literal, int type, int line);
void group_line(int section, const char* name, int rate, int busy, int line);
