#include "image_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "gen_state.h"
#include "input_file.h"

bool open_image_file(const char* path) {
    // O_NONBLOCK: opening a FIFO for writing waits for a reader that may
    // never come; without one it fails at once instead. Nothing else waits
    // on it: a regular file or a device such as /dev/null never does, and
    // a FIFO with a reader takes no write, as no seek succeeds on it.
    const int fd = open(path, O_WRONLY | O_CREAT | O_NONBLOCK, 0666);
    if (fd < 0) return false;
    if (fstat(fd, &gen_state.image_status) != 0) {
        gen_state.image_status = {};
        close(fd);
        return false;
    }
    // Write-only: nothing reads the image back, and a stream open for reading
    // too refills its buffer from the file at every seek.
    gen_state.image_file = fdopen(fd, "wb");
    if (!gen_state.image_file) {
        close(fd);
        return false;
    }
    return true;
}

bool is_image_file(const struct stat& status) {
    // Only a regular file can be read as a script or voice file.
    return S_ISREG(gen_state.image_status.st_mode) && same_file(status, gen_state.image_status);
}

bool start_image_file() {
    gen_state_t& g = gen_state;
    if (g.image_started || g.image_is_voice || !g.image_file) return true;
    g.image_started = true;
    // A new file, the common case, is empty already: no call at all.
    if (!S_ISREG(g.image_status.st_mode) || g.image_status.st_size == 0) return true;
    return ftruncate(fileno(g.image_file), 0) == 0;
}
