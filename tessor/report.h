// The one error reporter: prints error lines and counts errors by pass.
#pragma once

// Error codes of the generator's operations (0 is success).
enum : int {
    kReportPlain = 1, // print the text as a plain line, never counted
    kOk = 0,
    kErrSyntax = -2,
    kErrConstRedefined = -3,
    kErrConstUndefined = -4,
    kErrMalloc = -5,
    kErrVoiceRedefined = -6,
    kErrFileOpen = -8,
    kErrSectionNumber = -9,
    kErrYesNo = -10,
    kErrNumberInput = -11,
    kErrWaveFile = -12,
    kErrWrite = -13,
    kErrRead = -14,
    kErrGroupUndefined = -15,
    kErrNeedParam = -16,
    kErrCpuType = -17,
    kErrGrpAdr = -18,
    kErrEncoderBits = -19,
    kErrEncoderAlgorithm = -20,
    kErrDivision = -21,         // a quotient by 0, or -2147483648 / -1
    kErrRateZero = -22,         // a $Groups rate of 0
    kErrSampleCount = -23,      // a WAV sample count beyond 2 GiB
    kErrEncoderParameter = -24, // an EQ01 parameter below 1
};

// Prints and counts as the code and the current pass ask. `text` may be null.
void report_error(int code, int line, const char* text);

// Prints one console line: the formatted text with a newline appended, so a
// format that ends in "\n" is followed by an empty line.
void print_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
