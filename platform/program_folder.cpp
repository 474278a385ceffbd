#include "program_folder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace platform {

QString program_folder() {
    // /proc/self/exe names the file the process runs even when it was started
    // through a link or a relative path.
    QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!folder.isEmpty()) {
        folder = QFileInfo(folder).absolutePath();
    } else if (QCoreApplication::instance()) {
        folder = QCoreApplication::applicationDirPath();
    } else {
        folder = QStringLiteral(".");
    }
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

} // namespace platform
