// The shell's "open": a program file is started, anything else (a document,
// a folder, a web address) goes to the desktop's opener.
#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace platform {

// Opens `target` with the verb "open"; true when it was handed on. Nothing
// is waited for.
bool shell_open(const QString& target);

// Receives the targets instead of the desktop (tests); an empty one restores
// the real shell. Returns the one installed before.
using ShellResponder = std::function<bool(const QString& target)>;
ShellResponder set_shell_responder(ShellResponder responder);

// A test responder that records every target and reports success.
class RecordedShell {
  public:
    RecordedShell();
    ~RecordedShell();
    RecordedShell(const RecordedShell&) = delete;
    RecordedShell& operator=(const RecordedShell&) = delete;
    const std::vector<QString>& Opened() const { return opened_; }

  private:
    std::vector<QString> opened_;
    ShellResponder previous_;
};

} // namespace platform
