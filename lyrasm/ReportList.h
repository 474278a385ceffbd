// A list view in report style as the editor's three lists use it: a caption
// column and sub-item columns of fixed widths, grid lines, whole-row single
// selection that stays visible without the focus, no in-place editing, and a
// popup menu on the right mouse button. Deleting the selected row leaves no
// row selected, and a click of either button on empty space clears the
// selection, unless the list keeps its selection.
#pragma once

#include <QColor>
#include <QStringList>
#include <QTableWidget>

#include <initializer_list>

class QMenu;

class ReportList : public QTableWidget {
    Q_OBJECT

  public:
    struct Column {
        QString Caption;
        int Width;
        bool Hidden = false; // kept for data only; never shown
    };

    ReportList(QWidget* parent, const QColor& colour, std::initializer_list<Column> columns);

    // Appends a row; returns its index.
    int AddItem(const QString& caption, const QStringList& subItems);
    int ItemCount() const { return rowCount(); }
    QString Caption(int row) const;
    // Sub-item k lies under column k + 1.
    QString SubItem(int row, int k) const;
    void SetSubItem(int row, int k, const QString& text);
    void DeleteItem(int row);
    void ClearItems() { setRowCount(0); }

    // The selected row, -1 when none is.
    int ItemIndex() const;
    // Selects `row` (-1 clears the selection).
    void SetItemIndex(int row);

    // A list that keeps its selection ignores clicks on empty space.
    void SetKeepsSelection(bool keeps) { KeepsSelection = keeps; }

    // The menu that a right click shows (null: none).
    void SetPopupMenu(QMenu* menu) { Popup = menu; }
    QMenu* PopupMenu() const { return Popup; }

  signals:
    // A double click anywhere in the list, on a row or not.
    void DblClick();
    // A click on the header of a column.
    void ColumnClick(int column);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QTableWidgetItem* Cell(int row, int column, const QString& text);

    QMenu* Popup = nullptr;
    bool KeepsSelection = false;
};
