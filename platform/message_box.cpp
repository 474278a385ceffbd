#include "message_box.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

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

// What a title bar keeps for itself beside the caption, in pixels of the
// window's width. Measured on openbox's bar (Debian's default theme): its
// borders, the window icon, the label's padding and three 12-pixel buttons 4
// pixels apart leave the caption 110 pixels less than the window is wide.
// Openbox keeps a minimize and a (disabled) maximize button on every dialog,
// whatever the window asks, so the room is kept for them too.
constexpr int TitleBarMargin = 110;

// QMessageBox sizes itself from its layout's minimum width each time it is
// shown; a spacer across the whole grid makes that width enough for the
// caption beside the icon and the buttons. The caption is measured in the
// box's font made bold, as title bars draw it (openbox's 8-point bold sans is
// a little narrower than the usual 9-point application font in bold).
void make_room_for_caption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    QFont bold = box.font();
    bold.setBold(true);
    const QMargins margins = grid->contentsMargins();
    const int width = QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + TitleBarMargin -
                      margins.left() - margins.right();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
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
    // Asks for a title bar with the caption and a close button alone: a modal
    // box minimized hides the question its owner waits for, and there is
    // nothing to maximize. Not every window manager grants it (see above).
    box.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                       Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
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
    make_room_for_caption(box);
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
