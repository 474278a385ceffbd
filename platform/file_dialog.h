// Open and save dialogs that keep their settings between uses: title, filter
// ("Description|*.ext|..." pairs), default extension, initial folder and the
// file name chosen last. In tests a responder chooses instead of a person.
#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace platform {

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    QString filter;
    QString default_ext;
    QString initial_dir;
    QString file_name;
};

// Chooses a file name, or nothing for a cancelled dialog.
using FileDialogResponder = std::function<std::optional<QString>(const FileDialogRequest&)>;

FileDialogResponder set_file_dialog_responder(FileDialogResponder responder);

// "Wave File(*.wav)|*.wav|All (*.*)|*.*" as Qt name filters
// ("Wave File (*.wav)", "All (*.*)").
QStringList qt_name_filters(const QString& filter);

// `path` with `default_ext` appended when its file name has no extension.
QString with_default_ext(const QString& path, const QString& default_ext);

class FileDialog : public QObject {
  public:
    explicit FileDialog(FileDialogKind kind, QObject* parent = nullptr)
        : QObject(parent), kind_(kind) {}

    QString Title;
    QString Filter;
    QString DefaultExt; // with or without its leading dot
    QString InitialDir;
    QString FileName; // the proposal when shown, the choice after Execute

    FileDialogKind Kind() const { return kind_; }

    // Shows the dialog; true with FileName set when the user chose a file.
    // The save dialog does not ask before replacing: its callers ask.
    bool Execute(QWidget* owner = nullptr);

  private:
    FileDialogKind kind_;
};

// A test responder: records every dialog and answers from a queue (an empty
// optional cancels); an empty queue cancels. Installed for its lifetime.
class ScriptedFileDialogs {
  public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs();
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    void Choose(const QString& path) { answers_.emplace_back(path); }
    void Cancel() { answers_.emplace_back(std::nullopt); }
    const std::vector<FileDialogRequest>& Shown() const { return shown_; }

  private:
    std::deque<std::optional<QString>> answers_;
    std::vector<FileDialogRequest> shown_;
    FileDialogResponder previous_;
};

} // namespace platform
