#include "report.h"

#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "gen_state.h"

namespace {

enum class PassRule { Counted, Silent };

struct CodeInfo {
    int code;
    const char* message; // "%s" marks where the caller's text goes
    PassRule pass1;
    PassRule pass2;
};

// Checks that only pass 1 makes are silent in pass 2, where the same lines are
// parsed again; a bad WAV header is reported once, in pass 2, when its data
// are written.
constexpr CodeInfo kCodes[] = {
    {kErrSyntax, "Syntax Error", PassRule::Counted, PassRule::Silent},
    {kErrConstRedefined, "Const <%s> Redefined", PassRule::Counted, PassRule::Silent},
    {kErrConstUndefined, "Const <%s> Undefined", PassRule::Counted, PassRule::Silent},
    {kErrMalloc, "Malloc Error", PassRule::Counted, PassRule::Counted},
    {kErrVoiceRedefined, "voice Redefined", PassRule::Counted, PassRule::Silent},
    {kErrFileOpen, "file <%s> open error ", PassRule::Counted, PassRule::Counted},
    {kErrSectionNumber, "Invalid Sector number ", PassRule::Counted, PassRule::Silent},
    {kErrYesNo, "Only \"yes\" or \"no\" is valid option ", PassRule::Counted, PassRule::Silent},
    {kErrNumberInput, "Invalid number input ", PassRule::Counted, PassRule::Silent},
    {kErrWaveFile, "Invalid or un-supported wave file", PassRule::Silent, PassRule::Counted},
    {kErrWrite, "Fatel Write Operation", PassRule::Counted, PassRule::Counted},
    {kErrRead, "Fatel Read  Operation", PassRule::Counted, PassRule::Counted},
    {kErrGroupUndefined, "Group <%s> Undefined", PassRule::Counted, PassRule::Counted},
    {kErrNeedParam, "Need cmd line parameter input", PassRule::Counted, PassRule::Counted},
    {kErrCpuType, "Unknow CPU Type", PassRule::Counted, PassRule::Counted},
    {kErrGrpAdr, "Invalid GrpAdr", PassRule::Counted, PassRule::Counted},
    {kErrEncoderBits, "Invalid Encoder bits", PassRule::Counted, PassRule::Counted},
    {kErrEncoderAlgorithm, "Invalid Encoder Algorithm", PassRule::Counted, PassRule::Counted},
    {kErrDivision, "Division by zero or overflow", PassRule::Counted, PassRule::Counted},
    {kErrRateZero, "Group rate must not be 0", PassRule::Counted, PassRule::Counted},
    {kErrSampleCount, "Wave file too large", PassRule::Counted, PassRule::Counted},
    {kErrEncoderParameter, "Encoder Parameter must be 1 or more", PassRule::Counted,
     PassRule::Counted},
    {kErrWaveIsImage, "file <%s> is the output-file; choose another output", PassRule::Counted,
     PassRule::Counted},
};

const CodeInfo* find_code(int code) {
    for (const CodeInfo& c : kCodes)
        if (c.code == code) return &c;
    return nullptr;
}

} // namespace

void report_error(int code, int line, const char* text) {
    if (code == kOk) return;
    if (code == kReportPlain) {
        print_line("%s", text ? text : "");
        return;
    }
    const CodeInfo* info = find_code(code);
    if (!info) {
        gen_state.error_count++;
        print_line("Internal Error !! What happens?");
        return;
    }
    PassRule rule = gen_state.pass == 2 ? info->pass2 : info->pass1;
    if (rule == PassRule::Silent) return;
    gen_state.error_count++;
    if (code == kErrWrite) gen_state.image_write_failed = true;

    std::string message = info->message;
    if (size_t at = message.find("%s"); at != std::string::npos)
        message.replace(at, 2, text ? text : "");
    print_line("*Error Line%d: %s.", line, message.c_str());
}

void print_line(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
}

void ConsoleLine::put(const char* bytes, size_t count) {
    if (count > sizeof buffer_ - length_) {
        write_out();
        if (count > sizeof buffer_) {
            fwrite(bytes, 1, count, stdout);
            return;
        }
    }
    memcpy(buffer_ + length_, bytes, count);
    length_ += count;
}

void ConsoleLine::put(size_t count, char c) {
    for (; count > 0; --count)
        put(&c, 1);
}

void ConsoleLine::write_out() {
    fwrite(buffer_, 1, length_, stdout);
    length_ = 0;
}

ConsoleLine& ConsoleLine::text(std::string_view piece) {
    put(piece.data(), piece.size());
    return *this;
}

ConsoleLine& ConsoleLine::left(std::string_view piece, size_t width) {
    put(piece.data(), piece.size());
    if (piece.size() < width) put(width - piece.size(), ' ');
    return *this;
}

ConsoleLine& ConsoleLine::decimal(int value, int width) {
    return number(value, width, ' ');
}

ConsoleLine& ConsoleLine::zero_padded(int value, int width) {
    return number(value, width, '0');
}

// As printf pads: spaces go before the sign, zeros after it.
ConsoleLine& ConsoleLine::number(int value, int width, char fill) {
    char digits[16];
    const int64_t magnitude = value < 0 ? -int64_t(value) : int64_t(value);
    char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    const int length = static_cast<int>(end - digits) + (value < 0 ? 1 : 0);
    const size_t padding = width > length ? static_cast<size_t>(width - length) : 0;
    if (fill == ' ') put(padding, ' ');
    if (value < 0) put(1, '-');
    if (fill == '0') put(padding, '0');
    put(digits, static_cast<size_t>(end - digits));
    return *this;
}

ConsoleLine& ConsoleLine::hex2(unsigned value) {
    char digits[8];
    char* end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
    if (end - digits < 2) put(1, '0');
    for (char* c = digits; c < end; ++c)
        if (*c >= 'a') *c = static_cast<char>(*c - 'a' + 'A');
    put(digits, static_cast<size_t>(end - digits));
    return *this;
}

void ConsoleLine::print() {
    put(1, '\n');
    write_out();
}
