#include "file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace platform {

namespace {

FileDialogResponder& responder() {
    static FileDialogResponder installed;
    return installed;
}

} // namespace

FileDialogResponder set_file_dialog_responder(FileDialogResponder r) {
    FileDialogResponder previous = std::move(responder());
    responder() = std::move(r);
    return previous;
}

QStringList qt_name_filters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        // Qt reads the patterns from a trailing "(...)" group, so a group the
        // description already shows is replaced by the real patterns.
        if (description.endsWith(QLatin1Char(')'))) {
            qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0) description = description.left(open).trimmed();
        }
        result << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')');
    }
    return result;
}

QString with_default_ext(const QString& path, const QString& default_ext) {
    QString ext = default_ext;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    if (ext.isEmpty() || path.isEmpty()) return path;
    QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.isEmpty() || name.contains(QLatin1Char('.'))) return path;
    return path + QLatin1Char('.') + ext;
}

bool FileDialog::Execute(QWidget* owner) {
    std::optional<QString> chosen;
    if (responder()) {
        chosen =
            responder()(FileDialogRequest{kind_, Title, Filter, DefaultExt, InitialDir, FileName});
    } else {
        QFileDialog dialog(owner, Title);
        dialog.setAcceptMode(kind_ == FileDialogKind::Save ? QFileDialog::AcceptSave
                                                           : QFileDialog::AcceptOpen);
        dialog.setFileMode(kind_ == FileDialogKind::Save ? QFileDialog::AnyFile
                                                         : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!Filter.isEmpty()) dialog.setNameFilters(qt_name_filters(Filter));
        QString folder = InitialDir;
        if (folder.isEmpty() && !FileName.isEmpty()) folder = QFileInfo(FileName).absolutePath();
        dialog.setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
        if (!FileName.isEmpty()) dialog.selectFile(QFileInfo(FileName).fileName());
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().front();
    }
    if (!chosen || chosen->isEmpty()) return false;
    FileName = with_default_ext(*chosen, DefaultExt);
    return true;
}

ScriptedFileDialogs::ScriptedFileDialogs() {
    previous_ = set_file_dialog_responder([this](const FileDialogRequest& request) {
        shown_.push_back(request);
        if (answers_.empty()) return std::optional<QString>();
        // Taken apart into a flag and a plain QString: gcc 12 at -O2 takes a
        // copied optional<QString> for maybe uninitialized.
        const bool chosen = answers_.front().has_value();
        const QString path = chosen ? *answers_.front() : QString();
        answers_.pop_front();
        return chosen ? std::optional<QString>(path) : std::nullopt;
    });
}

ScriptedFileDialogs::~ScriptedFileDialogs() {
    set_file_dialog_responder(std::move(previous_));
}

} // namespace platform
