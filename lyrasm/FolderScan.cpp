#include "FolderScan.h"

#include "code_page.h"

#include <QCollator>

#include <algorithm>
#include <climits>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void SortNames(QStringList& names) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(),
              [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}

} // namespace

bool CanListFolder(const QString& folder) {
    const QByteArray name = platform::to_file_name(folder);
    struct stat status {};
    return !name.isEmpty() && ::stat(name.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           ::access(name.constData(), R_OK | X_OK) == 0;
}

FolderContent ReadFolder(const QString& folder) {
    FolderContent content;
    const QByteArray name = platform::to_file_name(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(name.constData()), ::closedir);
    if (!dir) return content;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (entry->d_name[0] == '.') continue;
        bool isFolder = entry->d_type == DT_DIR;
        bool isFile = entry->d_type == DT_REG;
        // A link counts as what it leads to; a file system that does not
        // tell the type leaves it to stat as well.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status {};
            if (::fstatat(::dirfd(dir.get()), entry->d_name, &status, 0) != 0) continue;
            isFolder = S_ISDIR(status.st_mode);
            isFile = S_ISREG(status.st_mode);
        }
        if (isFolder)
            content.Folders << platform::from_file_name(entry->d_name);
        else if (isFile)
            content.Files << platform::from_file_name(entry->d_name);
    }
    SortNames(content.Folders);
    SortNames(content.Files);
    return content;
}

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString CurrentFolder() {
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer)) return QString();
    return platform::from_file_name(buffer);
}
