#include "options.h"

#include <cstring>
#include <strings.h>

#include "gen_state.h"
#include "report.h"
#include "voices.h"

bool is_yes(const char* text) {
    return strcasecmp(text, "\"Yes\"") == 0;
}
bool is_no(const char* text) {
    return strcasecmp(text, "\"No\"") == 0;
}

int check_section_number(int section) {
    if (section < 1 || section >= kSectionSlots) return kErrSectionNumber;
    if (section > gen_state.max_section) gen_state.max_section = section;
    return kOk;
}

int set_section_option(int section, int bit, const char* text) {
    if (int rc = check_section_number(section); rc != kOk) return rc;
    if (bit != 1 && bit != 2 && bit != 4) return kErrInternal;
    if (is_yes(text))
        gen_state.section_flags[section] |= bit;
    else if (is_no(text))
        gen_state.section_flags[section] &= ~bit;
    else
        return kErrYesNo;
    return kOk;
}

int count_section_link(int section, const char* name) {
    if (int rc = check_section_number(section); rc != kOk) return rc;
    if (!find_voice(name)) return kErrGroupUndefined;
    gen_state.section_link_count[section]++;
    return kOk;
}

int set_ramp_enable(const char* text) {
    if (is_yes(text))
        gen_state.ramp_en |= 0x80;
    else if (is_no(text))
        gen_state.ramp_en &= ~0x80;
    else
        return kErrYesNo;
    return kOk;
}

namespace {
struct CpuModel {
    const char* keyword;
    int mem_size;
};
// Compared over the keyword's length only, so "Qiph10 board" is a Qiph10. No
// keyword is the start of another, so at most one matches and the order of
// the table does not matter.
constexpr CpuModel kCpuModels[] = {
    {"Qiph10", 0x8000},      {"Qiph21", 0x10000},     {"Qiph42", 0x20000},   {"Qiph85", 0x40000},
    {"Qiph170", 0x80000},    {"Qiph341", 0x100000},   {"QiphAny", 0x100000}, {"Qiph3k10", 0x8000},
    {"Qiph3k21", 0x10000},   {"Qiph3k42", 0x20000},   {"Qiph3k85", 0x40000}, {"Qiph3k170", 0x80000},
    {"Qiph3k341", 0x100000}, {"Qiph3kAny", 0x100000},
};
} // namespace

int select_cpu(const char* text) {
    if (*text) ++text; // the literal's opening quote
    for (const CpuModel& model : kCpuModels) {
        if (strncasecmp(text, model.keyword, strlen(model.keyword)) == 0) {
            gen_state.cpu_mem_size = model.mem_size;
            return kOk;
        }
    }
    return kErrCpuType;
}

int set_encoder(int bits, const char* algorithm, int parameter) {
    gen_state.eq01_enabled = 0;
    gen_state.eq01_mu = 0;
    if (bits != 5) {
        gen_state.encoder_bits = 0;
        return kErrEncoderBits;
    }
    gen_state.encoder_bits = 5;
    if (strcasecmp(algorithm, "\"EQ01\"") != 0) return kErrEncoderAlgorithm;
    // The companding curve needs a parameter of 1 or more to have any meaning.
    if (parameter < 1) return kErrEncoderParameter;
    gen_state.eq01_enabled = 1;
    gen_state.eq01_mu = parameter;
    return kOk;
}
