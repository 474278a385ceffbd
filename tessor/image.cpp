#include "image.h"

#include <cstdint>
#include <string>

#include "encoders.h"
#include "gen_state.h"
#include "image_file.h"
#include "report.h"
#include "voices.h"

namespace {

constexpr int kEq01TableBytes = 32;

// Writes `count` bytes at the file position of chip address `chip_address`.
bool write_at(int64_t chip_address, const unsigned char* bytes, size_t count) {
    return seek_image(chip_address, gen_state.image_offset) &&
           fwrite(bytes, 1, count, gen_state.image_file) == count;
}

// Stores the low `width` bytes of `value`, little-endian.
void put_le(unsigned char* out, int value, int width) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < width; ++i)
        out[i] = static_cast<unsigned char>(v >> (8 * i));
}

int link_entry_size() {
    return 2 * gen_state.grp_adr + 2;
}

struct LinkKind {
    int code;
    const char* label;
};

bool link_kind(int type, LinkKind* kind) {
    switch (type) {
    case kVoiceSilence:
        *kind = {0, "Silence"};
        return true;
    case kVoicePcm:
        *kind = {1, "Pcm    "};
        return true;
    case kVoiceAdpcm:
        *kind = {2, "Adpcm  "};
        return true;
    case kVoiceEq01:
        *kind = {4, "Mapper "};
        return true;
    default:
        return false;
    }
}

// The number of samples a link plays, from the bytes its voice occupies.
int sample_count(const voice_node& voice) {
    int64_t bytes = int64_t(voice.end) - voice.start + 1;
    switch (voice.type) {
    case kVoiceAdpcm:
        return wrap32(bytes * 2);
    case kVoiceEq01:
        return wrap32(bytes / 5 * 8);
    default:
        return wrap32(bytes);
    }
}

} // namespace

int write_image_header() {
    gen_state_t& g = gen_state;
    int room = wrap32(int64_t(g.cpu_mem_size) - g.image_offset);
    if (room < g.max_size) g.max_size = room;

    print_line("GrpAdr      = %d bytes\n", g.grp_adr);
    print_line("MaxSize     = %x (hex)\n", static_cast<unsigned>(g.max_size));
    print_line("Offset      = %x (hex)\n", static_cast<unsigned>(g.image_offset));
    print_line("Max Section = %d\n", g.max_section);
    print_line("RampEn      = %s.\n", (g.ramp_en & 0x80) ? "Yes" : "No");

    // The image loses what it held before the run only now, after pass 1
    // has opened every voice file.
    bool written = start_image_file();
    unsigned char head[4];
    head[0] = static_cast<unsigned char>((g.ramp_en & 0x80) | (g.func_code & 0x7F));
    put_le(head + 1, wrap32(int64_t(g.sbt_max) - 1) & 0xFFFF, 2);
    head[3] = 0xFF;
    written &= write_at(g.image_offset, head, sizeof head);

    // Without an accepted $Encoder line the table builder refuses and the
    // decode table keeps only its mid-scale level.
    build_eq01_table(g.encoder_bits, g.eq01_mu);
    build_eq01_decode_table();
    unsigned char levels[kEq01TableBytes];
    for (int i = 0; i < kEq01TableBytes; ++i)
        levels[i] = static_cast<unsigned char>(eq01_decode_table[i]);
    written &= write_at(int64_t(g.image_offset) + 16, levels, sizeof levels);

    g.section_table_addr = wrap32(int64_t(g.image_offset) + kImageHeaderSize);
    g.link_area_addr = wrap32(int64_t(g.section_table_addr) + 4 * int64_t(g.max_section));
    // A virtual section 0 with no links starts the chain of link tables.
    g.section_link_table[0] = g.link_area_addr;
    g.section_link_count[0] = 0;
    for (int k = 1; k <= g.max_section; ++k) {
        g.section_link_table[k] = wrap32(int64_t(g.section_link_table[k - 1]) +
                                         int64_t(link_entry_size()) * g.section_link_count[k - 1]);
        int flags = g.section_flags[k];
        // "<Sectin %04d> %s, %s, %s, Groups = %d\n"
        ConsoleLine()
            .text("<Sectin ")
            .zero_padded(k, 4)
            .text((flags & 1) ? "> Edge  , " : "> Level , ")
            .text((flags & 2) ? "Hold  , " : "UnHold, ")
            .text((flags & 4) ? "Retrg , Groups = " : "NonRtg, Groups = ")
            .decimal(g.section_link_count[k])
            .text("\n")
            .print();
        unsigned char entry[4];
        entry[0] = static_cast<unsigned char>(flags & 7);
        put_le(entry + 1, g.section_link_table[k], 3);
        written &= write_at(int64_t(g.section_table_addr) + 4 * (k - 1), entry, sizeof entry);
    }
    g.voice_data_addr = wrap32(int64_t(g.section_link_table[g.max_section]) +
                               int64_t(link_entry_size()) * g.section_link_count[g.max_section]);

    unsigned char rest[12];
    rest[0] = static_cast<unsigned char>(g.eq01_enabled);
    put_le(rest + 1, g.section_table_addr, 3);
    rest[4] = 0xFF;
    put_le(rest + 5, g.link_area_addr, 3);
    rest[8] = 0xFF;
    put_le(rest + 9, g.voice_data_addr, 3);
    written &= write_at(int64_t(g.image_offset) + 4, rest, sizeof rest);
    written &= fflush(g.image_file) == 0;
    return written ? kOk : kErrWrite;
}

int write_section_link(int section, const char* name, int rate, int busy) {
    gen_state_t& g = gen_state;
    const voice_node* voice = find_voice(name);
    if (!voice) return kErrGroupUndefined;
    LinkKind kind;
    if (!link_kind(voice->type, &kind)) return kErrInternal;
    if (section < 1 || section >= kSectionSlots) return kErrSectionNumber;
    if (rate == 0) return kErrRateZero;

    int64_t chip_address = int64_t(g.section_link_table[section]) +
                           int64_t(link_entry_size()) * g.section_links_written[section];
    g.section_links_written[section]++;
    int flags = kind.code;
    bool last = g.section_links_written[section] == g.section_link_count[section];
    if (last) flags |= 0x80;
    // "Section[%3d]: Link %s %-9s (%02X%s)\n"
    ConsoleLine()
        .text("Section[")
        .decimal(section, 3)
        .text("]: Link ")
        .text(kind.label)
        .text(" ")
        .left(name, 9)
        .text(" (")
        .hex2(static_cast<unsigned>(flags))
        .text(last ? "*)\n" : " )\n")
        .print();
    if (busy != 0) flags |= 0x40;

    int width = g.grp_adr;
    if (width < 1 || width > 4) return kErrGrpAdr;
    unsigned char entry[2 + 2 * 4];
    entry[0] = static_cast<unsigned char>(flags);
    entry[1] = static_cast<unsigned char>((g.rck / 8) / rate);
    put_le(entry + 2, wrap32(int64_t(g.voice_data_addr) + voice->start), width);
    put_le(entry + 2 + width, wrap32(-int64_t(sample_count(*voice))), width);
    if (!write_at(chip_address, entry, static_cast<size_t>(2 + 2 * width))) return kErrWrite;
    return kOk;
}
