#include "StatusPanels.h"

#include <QPainter>
#include <QPalette>

#include <algorithm>

void StatusPanels::AddPanel(int width, bool ownerDraw) {
    Panels.push_back({QString(), width, ownerDraw});
    update();
}

QString StatusPanels::PanelText(int index) const {
    if (index < 0 || index >= PanelCount()) return QString();
    return Panels[static_cast<size_t>(index)].Text;
}

void StatusPanels::SetPanelText(int index, const QString& text) {
    if (index < 0 || index >= PanelCount()) return;
    Panels[static_cast<size_t>(index)].Text = text;
    update();
}

QRect StatusPanels::PanelRect(int index) const {
    if (index < 0 || index >= PanelCount()) return QRect();
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += Panels[static_cast<size_t>(i)].Width;
    int width = index == PanelCount() - 1 ? std::max(0, this->width() - left)
                                          : Panels[static_cast<size_t>(index)].Width;
    return QRect(left, 0, width, height());
}

QRect StatusPanels::PanelTextRect(int index) const {
    // Inside the frame line, with a little air before the text.
    return PanelRect(index).adjusted(4, 3, -2, -1);
}

void StatusPanels::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Window));
    // A thin line separates the bar from the window above it.
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawLine(0, 0, width() - 1, 0);

    for (int i = 0; i < PanelCount(); ++i) {
        QRect area = PanelRect(i).adjusted(1, 2, -1, -1);
        // A sunken panel: shadow on top and left, light on bottom and right.
        painter.setPen(pal.color(QPalette::Mid));
        painter.drawLine(area.topLeft(), area.topRight());
        painter.drawLine(area.topLeft(), area.bottomLeft());
        painter.setPen(pal.color(QPalette::Light));
        painter.drawLine(area.bottomLeft(), area.bottomRight());
        painter.drawLine(area.topRight(), area.bottomRight());

        const Panel& panel = Panels[static_cast<size_t>(i)];
        QRect text = PanelTextRect(i);
        painter.save();
        painter.setClipRect(area.adjusted(1, 1, -1, -1));
        painter.setFont(font());
        painter.setPen(pal.color(QPalette::WindowText));
        if (!panel.OwnerDraw)
            painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, panel.Text);
        else if (OnDrawPanel)
            OnDrawPanel(this, i, painter, text);
        painter.restore();
    }
}
