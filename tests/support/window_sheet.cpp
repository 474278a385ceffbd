#include "window_sheet.h"

#include <QMenu>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace testsupport {

QPixmap window_sheet(QWidget& window, const QList<QMenu*>& menus) {
    const QPixmap shot = window.grab();
    int width = shot.width();
    int height = shot.height();
    QList<QPixmap> pictures;
    for (QMenu* menu : menus) {
        // As the menu opens: its own handler sets its marks and states first.
        emit menu->aboutToShow();
        menu->ensurePolished();
        menu->adjustSize();
        pictures << menu->grab();
        width += pictures.back().width() + 8;
        height = std::max(height, pictures.back().height() + 16);
    }
    QPixmap sheet(width + 8, height);
    sheet.fill(Qt::darkGray);
    QPainter painter(&sheet);
    painter.drawPixmap(0, 0, shot);
    int x = shot.width() + 8;
    for (const QPixmap& picture : pictures) {
        painter.drawPixmap(x, 8, picture);
        x += picture.width() + 8;
    }
    return sheet;
}

} // namespace testsupport
