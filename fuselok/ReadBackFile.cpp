#include "ReadBackFile.h"

#include "code_page.h"

#include <QByteArray>

#include <sys/stat.h>

bool ReadBackFile::Create(const QString& path) {
    QByteArray name;
    if (!platform::to_ansi_exact(path, name) || name.isEmpty()) return false;
    // Through a link to what it points to: the file that would be replaced.
    struct stat info {};
    if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode)) return false;
    file.setFileName(path);
    // Unbuffered: a page that cannot be stored is known at that page.
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool ReadBackFile::Write(std::span<const std::uint8_t> bytes) {
    const auto size = static_cast<qint64>(bytes.size());
    return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

bool ReadBackFile::Keep() {
    return file.commit();
}
