// The window's status bar: a row of text panels of fixed widths, the last one
// reaching to the right edge. An owner-drawn panel is painted by OnDrawPanel.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QPainter;

class StatusPanels : public QWidget {
  public:
    struct Panel {
        QString Text;
        int Width;
        bool OwnerDraw;
    };

    explicit StatusPanels(QWidget* parent) : QWidget(parent) {}

    void AddPanel(int width, bool ownerDraw = false);
    int PanelCount() const { return static_cast<int>(Panels.size()); }
    QString PanelText(int index) const;
    // Sets the text and repaints the whole bar, so an owner-drawn panel is
    // redrawn with the state of that moment too.
    void SetPanelText(int index, const QString& text);
    // The panel's area, and the part of it inside its frame where text goes.
    QRect PanelRect(int index) const;
    QRect PanelTextRect(int index) const;

    // Paints an owner-drawn panel: (bar, panel index, painter, text area).
    std::function<void(StatusPanels*, int, QPainter&, const QRect&)> OnDrawPanel;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<Panel> Panels;
};
