#include "window_sheet.h"

#include <QMenu>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace testsupport {

QPixmap window_sheet(QWidget& window, const QList<QMenu*>& menus, int min_height) {
    const QPixmap shot = window.grab();
    int width = shot.width();
    QList<QPixmap> pictures;
    for (QMenu* menu : menus) {
        menu->ensurePolished();
        menu->adjustSize();
        pictures << menu->grab();
        width += pictures.back().width() + 8;
    }
    QPixmap sheet(width + 8, std::max(shot.height(), min_height));
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
