// The script scanner's interface besides yylex itself.
#pragma once

#include <stdexcept>

constexpr int kTokenTextSize = 1024; // 1023 characters and the terminator
extern char token_text[kTokenTextSize];

void Reset_yylex();
int parse_number_text(const char* text, int* value);

// The script's last line as far as it has been read: the line of the last
// token, a line end counting to the line it ends. Failures found after the
// whole script was read are reported on it.
int script_last_line();

// A stop of the scanner engine (token too long, failed read or allocation).
// The scanner prints the message and throws this; tessor_compile catches it
// and returns kExitScannerStop.
struct scanner_fatal_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Releases the scanner engine's buffers.
void release_scanner();
