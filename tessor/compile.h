// One whole compile: script and WAV files in, Data Memory File out.
#pragma once

// Runs the compile for the command line `argv` (argv[0] the program word) and
// returns the exit code: 0, -2 (a file cannot be opened) or -3 (errors).
// Starts from a clean state and releases everything before it returns. A
// fatal scanner stop ends the process with status 2, unless the scanner was
// asked to throw (set_scanner_fatal_throws), when the compile returns 2.
int tessor_compile(int argc, const char* const* argv);
