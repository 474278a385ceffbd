#include "WriterIcon.h"

#include <QPainter>
#include <QPainterPath>

QPixmap WriterIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 170, 178));
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(4, 30 + i * 8, 8, 4));
        p.drawRect(QRectF(52, 30 + i * 8, 8, 4));
    }
    p.setBrush(QColor(38, 44, 56));
    p.drawRoundedRect(QRectF(10, 26, 44, 36), 4, 4);
    p.setBrush(QColor(70, 78, 94));
    p.drawEllipse(QPointF(17, 33), 2.5, 2.5);

    // The arrow: data going down into the chip.
    QPainterPath arrow;
    arrow.moveTo(26, 2);
    arrow.lineTo(38, 2);
    arrow.lineTo(38, 24);
    arrow.lineTo(48, 24);
    arrow.lineTo(32, 44);
    arrow.lineTo(16, 24);
    arrow.lineTo(26, 24);
    arrow.closeSubpath();
    p.setBrush(QColor(232, 160, 40));
    p.setPen(QPen(QColor(120, 70, 10), 2));
    p.drawPath(arrow);
    return pixmap;
}

QIcon WriterIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(WriterIconPixmap(size));
    return icon;
}
