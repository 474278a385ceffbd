// tessor: compiles a voice script and the WAV files it names into a Data
// Memory File.
#include "compile.h"

int main(int argc, char** argv) {
    return tessor_compile(argc, argv);
}
