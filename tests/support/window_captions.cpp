#include "window_captions.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>

namespace testsupport {
namespace {

// The name a person finds the control by in the window's code: its own or
// that of the nearest named parent (Qt's inner widgets are named "qt_...").
QString name_of(const QWidget* w) {
    for (const QWidget* p = w; p; p = p->parentWidget())
        if (!p->objectName().isEmpty() && !p->objectName().startsWith(QLatin1String("qt_")))
            return p->objectName();
    return QLatin1String(w->metaObject()->className());
}

QRect in_window(const QWidget* w, const QRect& r, const QWidget& window) {
    return r.translated(w->mapTo(&window, QPoint()));
}

// The part of `w` that shows: each parent up to the window clips it.
QRect shown_part(const QWidget* w, const QWidget& window) {
    QRect shown = in_window(w, w->rect(), window);
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        shown &= in_window(p, p->rect(), window);
        if (p == &window) break;
    }
    return shown;
}

// The visible widgets painted after `w`, so over it where they meet: its own
// children and the later siblings of it and of each of its parents.
QList<const QWidget*> stacked_above(const QWidget* w, const QWidget& window) {
    QList<const QWidget*> above;
    auto add = [&](const QObjectList& objects, qsizetype from) {
        for (qsizetype i = from; i < objects.size(); ++i) {
            const auto* other = qobject_cast<const QWidget*>(objects[i]);
            if (other && !other->isWindow() && other->isVisible()) above << other;
        }
    };
    add(w->children(), 0);
    for (const QWidget* p = w; p != &window && p->parentWidget(); p = p->parentWidget()) {
        const QObjectList& siblings = p->parentWidget()->children();
        add(siblings, siblings.indexOf(p) + 1);
    }
    return above;
}

void add_captions(const QWidget* w, QList<PaintedText>& out) {
    QStyle* style = w->style();
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        const int m = label->margin();
        int flags = static_cast<int>(label->alignment());
        if (label->wordWrap()) flags |= Qt::TextWordWrap;
        out << PaintedText{w, label->text(), label->contentsRect().adjusted(m, m, -m, -m), flags};
    } else if (const auto* button = qobject_cast<const QPushButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        if (button->autoDefault() || button->isDefault())
            option.features |= QStyleOptionButton::AutoDefaultButton;
        out << PaintedText{w, button->text(),
                           style->subElementRect(QStyle::SE_PushButtonContents, &option, button),
                           Qt::AlignCenter | Qt::TextShowMnemonic};
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.rect = edit->contentsRect();
        option.lineWidth =
            edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        // The edit keeps two pixels of air at each side, and scrolls its
        // text once the text and the cursor after it do not fit.
        const int tail = 1 + style->pixelMetric(QStyle::PM_TextCursorWidth, &option, edit);
        const QRect room = style->subElementRect(QStyle::SE_LineEditContents, &option, edit)
                               .marginsRemoved(edit->textMargins())
                               .adjusted(2, 0, -2 - tail, 0);
        const QString text =
            edit->displayText().isEmpty() ? edit->placeholderText() : edit->displayText();
        out << PaintedText{w, text, room, static_cast<int>(edit->alignment())};
    } else if (const auto* tabs = qobject_cast<const QTabBar*>(w)) {
        const int pad = style->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, tabs) / 2;
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->isTabVisible(i))
                out << PaintedText{w, tabs->tabText(i), tabs->tabRect(i).adjusted(pad, 0, -pad, 0),
                                   Qt::AlignCenter | Qt::TextShowMnemonic};
    } else if (const auto* header = qobject_cast<const QHeaderView*>(w->parentWidget());
               header && w == header->viewport()) {
        // Sections are painted on the viewport; a caption that is too wide
        // is cut short with an ellipsis.
        const int margin = style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        const Qt::Orientation way = header->orientation();
        for (int i = 0; i < header->count(); ++i) {
            if (header->isSectionHidden(i) || header->sectionSize(i) == 0) continue;
            const int at = header->sectionViewportPosition(i);
            const QRect section = way == Qt::Horizontal
                                      ? QRect(at, 0, header->sectionSize(i), w->height())
                                      : QRect(0, at, w->width(), header->sectionSize(i));
            const QVariant align = header->model()->headerData(i, way, Qt::TextAlignmentRole);
            out << PaintedText{w, header->model()->headerData(i, way).toString(),
                               section.adjusted(margin, margin, -margin, -margin),
                               align.isValid() ? align.toInt()
                                               : static_cast<int>(header->defaultAlignment())};
        }
    } else if (const auto* bar = qobject_cast<const QMenuBar*>(w)) {
        for (QAction* item : bar->actions())
            if (!item->isSeparator())
                out << PaintedText{w, item->text(), bar->actionGeometry(item),
                                   Qt::AlignCenter | Qt::TextShowMnemonic};
    }
}

// What is wrong with one caption, empty when nothing is.
QString fault_of(const PaintedText& caption, const QWidget& window) {
    if (caption.text.isEmpty()) return {};
    const QFontMetrics metrics = caption.control->fontMetrics();
    // Laid out as QPainter::drawText lays it out in the room.
    const QRect line = metrics.boundingRect(caption.room, caption.flags, caption.text);
    // Above and below, what counts is the ink: a line's box has air that
    // may be cut without anything of the text going.
    QRect ink = line;
    if (!caption.text.contains(QLatin1Char('\n'))) {
        const QRect glyphs = metrics.tightBoundingRect(caption.text);
        const int baseline = line.top() + metrics.ascent();
        ink.setTop(baseline + glyphs.top());
        ink.setBottom(baseline + glyphs.bottom());
    }
    const auto size = [](const QRect& r) {
        return QStringLiteral("%1x%2").arg(r.width()).arg(r.height());
    };
    const QString where = QStringLiteral("%1 \"%2\": ").arg(name_of(caption.control), caption.text);
    if (line.width() > caption.room.width() || ink.top() < caption.room.top() ||
        ink.bottom() > caption.room.bottom())
        return where + QStringLiteral("needs %1 px (ink %2), has %3")
                           .arg(size(line), size(ink), size(caption.room));
    const QRect painted = in_window(caption.control, ink, window);
    if (!shown_part(caption.control, window).contains(painted))
        return where + QStringLiteral("reaches beyond what shows of its control");
    for (const QWidget* other : stacked_above(caption.control, window))
        if (shown_part(other, window).intersects(painted))
            return where + QStringLiteral("lies under ") + name_of(other);
    return {};
}

} // namespace

std::string cut_captions(QWidget& window, const QList<PaintedText>& painted) {
    QList<PaintedText> captions = painted;
    for (const QWidget* w : window.findChildren<QWidget*>())
        if (w->isVisible() && !w->isWindow()) add_captions(w, captions);

    QStringList faults;
    for (const PaintedText& caption : captions)
        if (const QString fault = fault_of(caption, window); !fault.isEmpty()) faults << fault;

    // A menu lays its items out when it opens, at the size it takes then.
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        menu->ensurePolished();
        menu->adjustSize();
        for (QAction* item : menu->actions())
            if (!item->isSeparator() && !menu->rect().contains(menu->actionGeometry(item)))
                faults << (menu->title().isEmpty()
                               ? QStringLiteral("popup menu")
                               : QStringLiteral("menu \"%1\"").arg(menu->title())) +
                              QStringLiteral(": \"%1\" is not shown").arg(item->text());
    }
    return faults.join(QLatin1Char('\n')).toStdString();
}

} // namespace testsupport
