#include "ReportList.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QStyledItemDelegate>

namespace {

// Draws cells without the focus frame of the current cell: a row is selected
// as a whole, so a frame around one of its cells would only mislead.
class RowDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
    }
};

} // namespace

ReportList::ReportList(QWidget* parent, const QColor& colour, std::initializer_list<Column> columns)
    : QTableWidget(parent) {
    setColumnCount(static_cast<int>(columns.size()));
    setItemDelegate(new RowDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 3);

    QHeaderView* header = horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setFixedHeight(fontMetrics().height() + 6);
    int c = 0;
    for (const Column& column : columns) {
        auto* item = new QTableWidgetItem(column.Caption);
        // The caption column reads from the left, the others are centred.
        item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        setHorizontalHeaderItem(c, item);
        header->setSectionResizeMode(c, QHeaderView::Fixed);
        header->resizeSection(c, column.Hidden ? 0 : column.Width);
        if (column.Hidden) setColumnHidden(c, true);
        ++c;
    }

    QPalette p = palette();
    p.setColor(QPalette::Base, colour);
    // The selection stays as visible as with the focus.
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    setPalette(p);

    connect(header, &QHeaderView::sectionClicked, this, &ReportList::ColumnClick);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (Popup) Popup->popup(viewport()->mapToGlobal(at));
    });
}

QTableWidgetItem* ReportList::Cell(int row, int column, const QString& text) {
    auto* cell = new QTableWidgetItem(text);
    cell->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    setItem(row, column, cell);
    return cell;
}

int ReportList::AddItem(const QString& caption, const QStringList& subItems) {
    int row = rowCount();
    insertRow(row);
    Cell(row, 0, caption);
    for (int k = 0; k < subItems.size() && k + 1 < columnCount(); ++k)
        Cell(row, k + 1, subItems[k]);
    return row;
}

QString ReportList::Caption(int row) const {
    return SubItem(row, -1);
}

QString ReportList::SubItem(int row, int k) const {
    const QTableWidgetItem* cell = item(row, k + 1);
    return cell ? cell->text() : QString();
}

void ReportList::SetSubItem(int row, int k, const QString& text) {
    if (row < 0 || row >= rowCount() || k + 1 < 1 || k + 1 >= columnCount()) return;
    if (QTableWidgetItem* cell = item(row, k + 1))
        cell->setText(text);
    else
        Cell(row, k + 1, text);
}

void ReportList::DeleteItem(int row) {
    if (row < 0 || row >= rowCount()) return;
    // The view would move the selection to the next row, a row the user
    // never picked.
    const bool selected = ItemIndex() == row;
    removeRow(row);
    if (selected) selectionModel()->clear();
}

int ReportList::ItemIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void ReportList::SetItemIndex(int row) {
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        return;
    }
    setCurrentCell(row, 0);
    selectRow(row);
}

void ReportList::mousePressEvent(QMouseEvent* event) {
    // A press of either button beside the rows picks no row: the popup that
    // a right press opens must not act on the row picked before.
    if (!KeepsSelection && !indexAt(event->position().toPoint()).isValid())
        selectionModel()->clear();
    QTableWidget::mousePressEvent(event);
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event) {
    // The view would start editing; the list only reports the double click.
    if (event->button() == Qt::LeftButton) emit DblClick();
    event->accept();
}
