// Modal message boxes with the flag and result codes the windows use: the low
// four bits pick the buttons, the next four the icon, the result names the
// pressed button. In tests a responder answers instead of a person.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

class QWidget;

namespace platform {

// Buttons (flags & 0x0F).
inline constexpr int MB_OK = 0;
inline constexpr int MB_OKCANCEL = 1;
inline constexpr int MB_YESNOCANCEL = 3;
inline constexpr int MB_YESNO = 4;
inline constexpr int MB_RETRYCANCEL = 5;
// Icons (flags & 0xF0).
inline constexpr int MB_ICONERROR = 16;
inline constexpr int MB_ICONQUESTION = 32;
inline constexpr int MB_ICONWARNING = 48;
inline constexpr int MB_ICONINFORMATION = 64;
// Results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDRETRY = 4;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct MessageBoxRequest {
    QString text;
    QString caption;
    int flags = MB_OK;
};

// Answers a box instead of showing it; returns the result code.
using MessageBoxResponder = std::function<int(const MessageBoxRequest&)>;

// Shows `text` modally over `owner` (may be null) and returns the result code
// of the pressed button; closing the box counts as its cancel (or only) button.
int message_box(QWidget* owner, const QString& text, const QString& caption, int flags);

// Installs a responder (an empty one restores the real boxes); returns the
// one installed before.
MessageBoxResponder set_message_box_responder(MessageBoxResponder responder);

// The result a box of these flags gives when its default button is pressed.
int default_result(int flags);

// A test responder: records every box and answers from a queue, or with the
// box's default button when the queue is empty. Installed for its lifetime.
class ScriptedMessageBoxes {
  public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    void Answer(int result) { answers_.push_back(result); }
    const std::vector<MessageBoxRequest>& Shown() const { return shown_; }
    // Every box shown so far as "caption: text", in order.
    QStringList Transcript() const;
    void Clear() { shown_.clear(); }

  private:
    std::deque<int> answers_;
    std::vector<MessageBoxRequest> shown_;
    MessageBoxResponder previous_;
};

} // namespace platform
