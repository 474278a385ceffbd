// The actions of the voice lines and the $Groups lines: pass 1 enters and
// counts, pass 2 writes.
#include "gen_state.h"
#include "image.h"
#include "options.h"
#include "report.h"
#include "script_parser.h"
#include "voices.h"

void voice_line(const char* name, const char* literal, int type, int line) {
    if (gen_state.pass == 1)
        report_error(define_voice(name, literal, type, -1), line, literal);
    else
        report_error(write_voice(name), line, literal);
}

void group_line(int section, const char* name, int rate, int busy, int line) {
    if (gen_state.pass == 1) {
        report_error(count_section_link(section, name), line, name);
        // The rate byte divides by the rate; a rate of 0 has no rate byte.
        if (rate == 0) report_error(kErrRateZero, line, nullptr);
    } else {
        report_error(write_section_link(section, name, rate, busy), line, name);
    }
}
