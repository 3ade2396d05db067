#pragma once
#include <QStatusBar>
#include <QVector>

class QLabel;

// A status bar made of fixed panels (numbered from 1), each a label with a width in twips,
// a text or picture and a tool tip; a click on a panel emits panelClick. The bar may be
// narrower than its panels: the last ones are then cut off, and the window keeps the width
// it was given.
class PanelBar : public QStatusBar {
    Q_OBJECT
  public:
    struct Panel {
        int widthTwips;
        QString text;
        QString toolTip;
    };
    PanelBar(const QString& name, const QVector<Panel>& panels, QWidget* parent = nullptr);

    void setPanelText(int panel, const QString& text);
    [[nodiscard]] QString panelText(int panel) const;
    void setPanelPicture(int panel, const QPixmap& picture);
    [[nodiscard]] QWidget* panel(int panel) const;

  signals:
    void panelClick(int panel);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Cell {
        QWidget* frame;
        QLabel* picture;
        QLabel* text;
    };
    [[nodiscard]] const Cell* cell(int panel) const;

    QVector<Cell> cells_;
};
