#include "gen_state.h"

#include "consts.h"
#include "encoders.h"
#include "report.h"
#include "voices.h"

gen_state_t gen_state;

void reset_for_pass1() {
    gen_state_t& g = gen_state;
    g.error_count = 0;
    g.voice_offset = 0;
    g.sample_rate = 0;
    g.max_section = 0;
    g.ramp_en = ~0; // every bit set: ramp enabled unless the script says "No"
    g.sbt_max = 0;
    g.image_offset = 0;
    g.max_size = 10000000;
    g.cpu_mem_size = 10000000;
    g.grp_adr = 3;
    g.encoder_bits = 0;
    g.eq01_enabled = 0;
    g.eq01_mu = 0;
    g.link_area_addr = 0;
    g.voice_data_addr = 0;
    for (int k = 0; k < kSectionSlots; ++k) {
        g.section_link_count[k] = 0;
        g.section_links_written[k] = 0;
        g.section_link_table[k] = 0;
        g.section_flags[k] = 0;
    }
}

void Init_yylex(int pass) {
    gen_state.pass = pass;
    report_error(kReportPlain, 0, pass == 1 ? "=<< PASS 1 >>==" : "=<< PASS 2 >>==");
    if (pass == 1) reset_for_pass1();
}

bool seek_image(int64_t chip_address, int image_offset) {
    int32_t position = wrap32(chip_address - image_offset);
    FILE* image = gen_state.image_file;
    if (!image || position < 0) return false;
    // Most writes follow the previous one; a seek would flush the buffer each time.
    if (ftell(image) == position) return true;
    return fseek(image, position, SEEK_SET) == 0;
}

void use_large_buffer(FILE* file, stream_buffer& buffer) {
    setvbuf(file, buffer, _IOFBF, sizeof buffer);
}

static void close_file(FILE*& f) {
    if (f) {
        fclose(f);
        f = nullptr;
    }
}

void release_all() {
    free_consts();
    free_voices();
    close_file(gen_state.script_file);
    close_file(gen_state.image_file);
    close_file(gen_state.wave_file);
}
