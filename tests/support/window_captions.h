// What a person looks for in a picture of a window: every caption whole
// inside its control and under no other control, every menu showing all its
// items.
#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <string>

class QWidget;

namespace testsupport {

// A text that a control paints itself rather than through a Qt widget: the
// area it is painted in (control coordinates) with its alignment flags.
struct PaintedText {
    const QWidget* control;
    QString text;
    QRect room;
    int flags;
};

// One line for each fault, empty when there is none. Looked at: the captions
// of labels, push buttons, line edits, tabs and list headers of the visible
// controls, and `painted`: each must fit its room, drawn in the control's
// font, and lie inside the parts of the control and its parents that show,
// under no control stacked above it. Every item of every menu bar and menu
// of the window must be laid out inside its bar or menu (an item made
// invisible is missing), none behind the bar's extension button.
std::string cut_captions(QWidget& window, const QList<PaintedText>& painted = {});

} // namespace testsupport
