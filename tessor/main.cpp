// tessor: compiles a voice script and the WAV files it names into a Data
// Memory File.
#include "compile.h"
#include "std_descriptors.h"

int main(int argc, char** argv) {
    // Started with a standard descriptor closed (by a daemon or a careless
    // wrapper), the run has nowhere safe to print and opens no file.
    if (!open_standard_descriptors()) return kExitFileOpen;
    // A scanner stop comes back through the compile, which leaves the image
    // as any other end of the run leaves it.
    return tessor_compile(argc, argv);
}
