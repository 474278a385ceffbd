#include "compile.h"

#include <cstdio>

#include "encoders.h"
#include "gen_state.h"
#include "image_file.h"
#include "input_file.h"
#include "report.h"
#include "scanner.h"
#include "script_parser.h"

namespace {

const char* const kBannerRule = "******************************************************";
const char* const kBannerTitle = "* Vyr Generator for Zel          Ver0.1 2010.03.26   *";

int run_passes() {
    Reset_yylex();
    Init_yylex(1);
    int result = run_script_parser();
    // Pass 1 has opened every voice file: the image can lose what it held
    // (an error-free pass 1 has emptied it before writing the header).
    if (!start_image_file()) {
        report_error(kErrWrite, script_last_line(), nullptr);
        ++result;
    }
    if (result == 0) {
        Reset_yylex();
        Init_yylex(2);
        result = run_script_parser();
    }

    // The last link entries may still sit in the stream's buffer; the run
    // succeeds only when every byte reached the file and the file closed.
    FILE* image = gen_state.image_file;
    gen_state.image_file = nullptr;
    bool written = fflush(image) == 0 && fseek(image, 0, SEEK_END) == 0;
    long length = ftell(image);
    written &= length >= 0;
    written &= fclose(image) == 0;
    if (!written) {
        // A write that failed earlier (the header's, a voice's) was reported
        // and counted already: one failure of the image is one error.
        if (!gen_state.image_write_failed) {
            report_error(kErrWrite, script_last_line(), nullptr);
            ++result;
        }
    } else if (result == 0 && (length > gen_state.max_size || length > gen_state.cpu_mem_size)) {
        print_line("\nErrors: Exceed MaxSize %x. \n", static_cast<unsigned>(gen_state.max_size));
        result = 1;
    }
    print_line("\nComplete with %d Errors \n", result);
    return result;
}

int compile(int argc, const char* const* argv) {
    gen_state.param_count = argc;
    for (int i = 0; i < argc && i < kParamSlots; ++i)
        gen_state.script_params[i] = argv[i];

    if (argc < 3) {
        print_line("usage: tessor SCRIPT IMAGE [P3 .. P9]\n");
        return kExitFileOpen;
    }
    const char* script_path = argv[1];
    const char* image_path = argv[2];

    // Pass 2 reads the script again from its start; a pipe, a device or a
    // folder cannot be read twice and is refused before the image is touched.
    struct stat script_status {};
    gen_state.script_file = open_input_file(script_path, script_status);
    if (!gen_state.script_file) {
        const bool not_regular = script_status.st_mode != 0 && !S_ISREG(script_status.st_mode);
        print_line(not_regular ? "script-file %s open error: not a regular file\n"
                               : "script-file %s open error\n",
                   script_path);
        return kExitFileOpen;
    }
    if (!open_image_file(image_path)) {
        print_line("output-file %s open error\n", image_path);
        return kExitFileOpen;
    }
    // The image is not emptied before pass 1 has ended, so the script is
    // still whole when it turns out to be the image.
    if (is_image_file(script_status)) {
        print_line("output-file %s is the script-file; choose another output\n", image_path);
        return kExitFileOpen;
    }
    static stream_buffer image_buffer;
    use_large_buffer(gen_state.image_file, image_buffer);

    print_line("%s", kBannerRule);
    print_line("%s", kBannerTitle);
    print_line("%s", kBannerRule);

    return run_passes() == 0 ? kExitSuccess : kExitErrors;
}

} // namespace

int tessor_compile(int argc, const char* const* argv) {
    release_all();
    gen_state = gen_state_t{};
    reset_eq01_tables();
    int code;
    try {
        code = compile(argc, argv);
    } catch (const scanner_fatal_error&) {
        // A stop in pass 1 leaves the image as a failed pass 1 leaves it.
        start_image_file();
        code = kExitScannerStop;
    }
    release_all();
    release_scanner();
    fflush(stdout);
    return code;
}
