#include "shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform {

namespace {

ShellResponder& responder() {
    static ShellResponder installed;
    return installed;
}

} // namespace

ShellResponder set_shell_responder(ShellResponder r) {
    ShellResponder previous = std::move(responder());
    responder() = std::move(r);
    return previous;
}

bool shell_open(const QString& target) {
    if (target.isEmpty()) return false;
    if (responder()) return responder()(target);

    QFileInfo file(target);
    if (file.isFile() && file.isExecutable())
        // No working folder of its own: the program inherits the caller's.
        return QProcess::startDetached(file.absoluteFilePath(), {});
    if (file.exists())
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
    QUrl url(target);
    if (url.isValid() && !url.scheme().isEmpty()) return QDesktopServices::openUrl(url);
    return false;
}

RecordedShell::RecordedShell() {
    previous_ = set_shell_responder([this](const QString& target) {
        opened_.push_back(target);
        return true;
    });
}

RecordedShell::~RecordedShell() {
    set_shell_responder(std::move(previous_));
}

} // namespace platform
