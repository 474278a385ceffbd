// One whole compile: script and WAV files in, Data Memory File out.
#pragma once

// The exit codes of a run.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFileOpen = -2;   // the script or the image cannot be opened
inline constexpr int kExitErrors = -3;     // errors were counted
inline constexpr int kExitScannerStop = 2; // the scanner stopped the run

// Runs the compile for the command line `argv` (argv[0] the program word) and
// returns the exit code: kExitSuccess, kExitFileOpen, kExitErrors, or
// kExitScannerStop when the scanner stopped the run.
// Starts from a clean state and releases everything before it returns.
int tessor_compile(int argc, const char* const* argv);
