// The one error reporter: prints error lines and counts errors by pass.
#pragma once

#include <cstddef>
#include <string_view>

// Error codes of the generator's operations (0 is success).
enum : int {
    kOk = 0,
    // Reported, each prints "Internal Error !! What happens?" and counts.
    kErrInternal = -1,     // a case that no script can bring about
    kErrVoiceChanged = -1, // a WAV sample count that changed between the passes
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
    kErrWaveIsImage = -25,      // a WAV voice file that is the output file
    // Never reported: a code width the EQ01 table builder refuses. The builder
    // prints "Internal error" itself; its one caller, the image writer, meets
    // it when no $Encoder line was accepted and goes on with the decode table
    // at its mid-scale level alone.
    kErrTableBits = -1,
};

// Not an error: the code that has report_error print `text` alone as a line,
// uncounted (the pass markers and the parser's own messages).
inline constexpr int kReportPlain = 1;

// Prints and counts as the code and the current pass ask. `text` may be null.
void report_error(int code, int line, const char* text);

// Prints one console line: the formatted text with a newline appended, so a
// format that ends in "\n" is followed by an empty line.
void print_line(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One console line built from pieces, printed as print_line prints its text:
// for the lines printed for every section and link, where printf's reading of
// its format costs more than all the other work done for them. Each piece
// formats as the printf conversion named beside it.
class ConsoleLine {
  public:
    ConsoleLine& text(std::string_view piece);               // %s
    ConsoleLine& left(std::string_view piece, size_t width); // %-<width>s
    ConsoleLine& decimal(int value, int width = 0);          // %<width>d
    ConsoleLine& zero_padded(int value, int width);          // %0<width>d
    ConsoleLine& hex2(unsigned value);                       // %02X
    void print();

  private:
    ConsoleLine& number(int value, int width, char fill);
    void put(const char* bytes, size_t count);
    void put(size_t count, char c);
    void write_out();
    // Filled, then written out in one piece; a longer line goes out in parts.
    char buffer_[256];
    size_t length_ = 0;
};
