#include "regular_file.h"

#include "code_page.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int open_regular_file(const QString& path, struct stat* info) {
    QByteArray name;
    if (!to_ansi_exact(path, name) || name.isEmpty()) return -1;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return -1;
    }
    if (info) *info = status;
    return fd;
}

} // namespace platform
