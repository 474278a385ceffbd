#include "FileReplace.h"

#include "code_page.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const QByteArray& content) {
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n =
            ::write(fd, content.constData() + done, static_cast<size_t>(content.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// A new file, made beside `target` under a name of its own, that takes the
// target's name once it holds the whole content. It has the mode of any new
// file, not the earlier file's.
ReplaceResult RenameNewFileOver(const QString& target, const QByteArray& content) {
    const QByteArray name = QFile::encodeName(target);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = name + ".new-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return ReplaceResult::NotCreated;
    bool whole = WriteAll(fd, content) && (::fsync(fd) == 0 || errno == EINVAL);
    whole = ::close(fd) == 0 && whole;
    if (whole && ::rename(temporary.constData(), name.constData()) == 0)
        return ReplaceResult::Written;
    ::unlink(temporary.constData());
    return ReplaceResult::NotWritten;
}

} // namespace

ReplaceResult ReplaceFile(const QString& path, const QByteArray& content) {
    // The name must survive the 8-bit code page, or another file would be
    // written.
    if (path.isEmpty() || !platform::fits_code_page(path)) return ReplaceResult::NotCreated;
    const QFileInfo earlier(path);
    // QSaveFile refuses a read-only file outright.
    if (earlier.exists() && !earlier.isDir() && !earlier.isWritable())
        return RenameNewFileOver(earlier.canonicalFilePath(), content);
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) return ReplaceResult::NotCreated;
    if (file.write(content) != content.size() || !file.commit()) return ReplaceResult::NotWritten;
    return ReplaceResult::Written;
}
