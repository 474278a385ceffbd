// The three standard descriptors, held open for the whole run.
#pragma once

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed, so
// that no file the compile opens can take one of them: a script or image on
// descriptor 1 would receive the console lines. Returns false when a closed
// one cannot be filled.
bool open_standard_descriptors();
