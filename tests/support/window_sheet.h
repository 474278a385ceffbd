// Pictures of the desktop windows for the eye: a window with some of its
// menus opened beside it on one sheet, tall enough for the tallest.
#pragma once

#include <QList>
#include <QPixmap>

class QMenu;
class QWidget;

namespace testsupport {

QPixmap window_sheet(QWidget& window, const QList<QMenu*>& menus);

} // namespace testsupport
