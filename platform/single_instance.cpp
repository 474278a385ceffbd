#include "single_instance.h"

#include "code_page.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

QString runtime_folder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        QString folder = QString::fromLocal8Bit(runtime);
        if (QFileInfo(folder).isDir()) return QDir::cleanPath(folder);
    }
    return QDir::cleanPath(QDir::tempPath());
}

namespace {

// The user's own name for the lock "name". The user id in it keeps users
// apart in a shared folder (the temporary folder), and keeps a lock file that
// root left in a user's runtime folder ("sudo -E") out of that user's way. A
// file of this name that someone else made is still opened, and then turned
// away because it is not the user's own.
QString lock_file_name(const QString& name) {
    return name + QLatin1Char('-') + QString::number(::geteuid()) + QStringLiteral(".lock");
}

} // namespace

SingleInstance::SingleInstance(const QString& name, const QString& folder)
    : path_(folder + QLatin1Char('/') + lock_file_name(name)) {
    QByteArray file;
    if (!to_ansi_exact(path_, file)) return;

    // The descriptor must not reach the programs this one starts (the editor
    // from the Tools menu): a child holding it would keep the lock after we
    // end. A link in a shared temporary folder is not followed.
    int fd = ::open(file.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        ::close(fd);
        return;
    }
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        fd_ = fd;
        return;
    }
    already_exists_ = errno == EWOULDBLOCK;
    ::close(fd);
}

SingleInstance::~SingleInstance() {
    Release();
}

void SingleInstance::Release() {
    // The file stays: removing it could let a third process lock a new file
    // of the same name while a second one still holds the old one. Unlocking
    // first frees the lock even while a child that has not yet replaced
    // itself by its program still shares the descriptor.
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    fd_ = -1;
}

} // namespace platform
