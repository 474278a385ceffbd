#include "input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE* open_input_file(const char* path, bool* not_regular) {
    if (not_regular) *not_regular = false;
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        close(fd);
        return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
        if (not_regular) *not_regular = true;
        close(fd);
        return nullptr;
    }
    // Reads of a regular file never block; plain blocking mode keeps it so on
    // any file system that would honour the flag.
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "r");
    if (!file) close(fd);
    return file;
}
