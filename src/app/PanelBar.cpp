#include "app/PanelBar.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

#include "app/Twips.h"

PanelBar::PanelBar(const QString& name, const QVector<Panel>& panels, QWidget* parent)
    : QStatusBar(parent) {
    setObjectName(name);
    setSizeGripEnabled(false);
    for (int i = 0; i < panels.size(); ++i) {
        auto* frame = new QFrame(this);
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
        addWidget(frame);
        cells_.push_back({frame, picture, text});
    }
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
