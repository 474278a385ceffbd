#include "std_descriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

bool open_standard_descriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor is the one just found closed.
        if (open("/dev/null", O_RDWR) != fd) return false;
    }
    return true;
}
