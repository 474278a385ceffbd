#include "input_file.h"

#include <fcntl.h>
#include <unistd.h>

FILE* open_input_file(const char* path, struct stat& status) {
    status.st_mode = 0;
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    if (fstat(fd, &status) != 0) {
        status.st_mode = 0;
        close(fd);
        return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
        close(fd);
        return nullptr;
    }
    // O_NONBLOCK stays set: reads of a regular file never block, so the flag
    // changes nothing for them and clearing it would cost two more calls.
    FILE* file = fdopen(fd, "r");
    if (!file) close(fd);
    return file;
}
