#include "EditorIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

QPixmap EditorIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // Pins on both long sides of the chip.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 170, 178));
    for (int i = 0; i < 5; ++i) {
        p.drawRect(QRectF(2, 14 + i * 8.5, 8, 4));
        p.drawRect(QRectF(54, 14 + i * 8.5, 8, 4));
    }
    // The chip body with its notch.
    p.setBrush(QColor(38, 44, 56));
    p.drawRoundedRect(QRectF(8, 8, 48, 48), 5, 5);
    p.setBrush(QColor(70, 78, 94));
    p.drawEllipse(QPointF(16, 16), 3, 3);

    // A sound wave across the body, fading out like a decaying voice.
    QPainterPath wave;
    wave.moveTo(13, 34);
    for (int x = 13; x <= 51; ++x) {
        double t = (x - 13) / 38.0;
        double y = 34 - 13 * std::sin(t * 3.14159 * 4) * (1.0 - 0.65 * t);
        wave.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(92, 214, 120), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wave);
    return pixmap;
}

QIcon EditorIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(EditorIconPixmap(size));
    return icon;
}
