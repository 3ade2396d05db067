#include "app/PanelBar.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <algorithm>

#include "app/Twips.h"

namespace {

// The panels side by side at their own widths. Its minimum width is 0, so that the panels'
// widths do not set a minimum for the window: what does not fit is cut off.
class PanelStrip final : public QWidget {
  public:
    using QWidget::QWidget;

    [[nodiscard]] QSize sizeHint() const override {
        QSize total(0, 0);
        for (const QWidget* frame : frames()) {
            total.rwidth() += frame->width();
            total.setHeight(std::max(total.height(), frame->sizeHint().height()));
        }
        return total;
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

  protected:
    void resizeEvent(QResizeEvent*) override {
        int x = 0;
        for (QWidget* frame : frames()) {
            frame->setGeometry(x, 0, frame->width(), height());
            x += frame->width();
        }
    }

  private:
    [[nodiscard]] QList<QWidget*> frames() const {
        return findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    }
};

}  // namespace

PanelBar::PanelBar(const QString& name, const QVector<Panel>& panels, QWidget* parent)
    : QStatusBar(parent) {
    setObjectName(name);
    setSizeGripEnabled(false);
    auto* strip = new PanelStrip(this);
    for (int i = 0; i < panels.size(); ++i) {
        auto* frame = new QFrame(strip);
        frame->setObjectName(QString("%1_Panel%2").arg(name).arg(i + 1));
        frame->setFrameShape(QFrame::Panel);
        frame->setFrameShadow(QFrame::Sunken);
        frame->setFixedWidth(twipsToPixelsX(this, panels[i].widthTwips));
        frame->setToolTip(panels[i].toolTip);
        auto* layout = new QHBoxLayout(frame);
        layout->setContentsMargins(3, 0, 3, 0);
        layout->setSpacing(3);
        auto* picture = new QLabel(frame);
        picture->hide();
        auto* text = new QLabel(panels[i].text, frame);
        layout->addWidget(picture);
        layout->addWidget(text, 1);
        frame->installEventFilter(this);
        cells_.push_back({frame, picture, text});
    }
    addWidget(strip, 1);
}

const PanelBar::Cell* PanelBar::cell(int panel) const {
    return panel >= 1 && panel <= cells_.size() ? &cells_[panel - 1] : nullptr;
}

QWidget* PanelBar::panel(int panel) const {
    const Cell* c = cell(panel);
    return c != nullptr ? c->frame : nullptr;
}

void PanelBar::setPanelText(int panel, const QString& text) {
    if (const Cell* c = cell(panel); c != nullptr && c->text->text() != text) {
        c->text->setText(text);
    }
}

QString PanelBar::panelText(int panel) const {
    const Cell* c = cell(panel);
    return c != nullptr ? c->text->text() : QString();
}

void PanelBar::setPanelPicture(int panel, const QPixmap& picture) {
    if (const Cell* c = cell(panel); c != nullptr) {
        c->picture->setPixmap(picture);
        c->picture->show();
    }
}

bool PanelBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < cells_.size(); ++i) {
            if (cells_[i].frame == watched) {
                emit panelClick(i + 1);
                return true;
            }
        }
    }
    return QStatusBar::eventFilter(watched, event);
}
