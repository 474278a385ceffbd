#include "message_box.h"

#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

MessageBoxResponder& responder() {
    static MessageBoxResponder installed;
    return installed;
}

QMessageBox::Icon icon_of(int flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonSet {
    std::vector<std::pair<QMessageBox::StandardButton, int>> buttons; // button, result
    int escape_result;
};

ButtonSet buttons_of(int flags) {
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        return {{{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}, IDCANCEL};
    case MB_YESNOCANCEL:
        return {
            {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}},
            IDCANCEL};
    case MB_YESNO:
        // A Yes/No box has no cancel; Escape and the close button answer No,
        // the cautious answer of every question the programs ask.
        return {{{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}, IDNO};
    case MB_RETRYCANCEL:
        return {{{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}, IDCANCEL};
    default:
        return {{{QMessageBox::Ok, IDOK}}, IDOK};
    }
}

} // namespace

int default_result(int flags) {
    return buttons_of(flags).buttons.front().second;
}

MessageBoxResponder set_message_box_responder(MessageBoxResponder r) {
    MessageBoxResponder previous = std::move(responder());
    responder() = std::move(r);
    return previous;
}

int message_box(QWidget* owner, const QString& text, const QString& caption, int flags) {
    if (responder()) return responder()(MessageBoxRequest{text, caption, flags});

    QMessageBox box(owner);
    box.setWindowTitle(caption);
    // Texts carry file names; they are never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(icon_of(flags));
    ButtonSet set = buttons_of(flags);
    QAbstractButton* escape = nullptr;
    for (const auto& [button, result] : set.buttons) {
        QAbstractButton* b = box.addButton(button);
        if (result == set.escape_result) escape = b;
    }
    box.setDefaultButton(set.buttons.front().first);
    box.setEscapeButton(escape);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& [button, result] : set.buttons)
        if (clicked && clicked == box.button(button)) return result;
    return set.escape_result;
}

ScriptedMessageBoxes::ScriptedMessageBoxes() {
    previous_ = set_message_box_responder([this](const MessageBoxRequest& request) {
        shown_.push_back(request);
        if (answers_.empty()) return default_result(request.flags);
        int result = answers_.front();
        answers_.pop_front();
        return result;
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    set_message_box_responder(std::move(previous_));
}

QStringList ScriptedMessageBoxes::Transcript() const {
    QStringList texts;
    for (const MessageBoxRequest& box : shown_)
        texts << box.caption + QStringLiteral(": ") + box.text;
    return texts;
}

} // namespace platform
