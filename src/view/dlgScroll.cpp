#include "view/dlgScroll.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

#include "base/Val.h"

dlgScroll::dlgScroll(Settings& settings, QWidget* parent)
    : ViewDialog(parent),
      settings_(settings),
      optMode{new QRadioButton(QStringLiteral("画面スクロール"), this),
              new QRadioButton(QStringLiteral("行スクロール"), this)},
      txtRow(new QLineEdit(this)),
      lblUnit(new QLabel(QStringLiteral("行"), this)) {
    setObjectName(QStringLiteral("dlgScroll"));
    setWindowTitle(QStringLiteral("ｽｸﾛｰﾙ行数の設定"));
    optMode[0]->setObjectName(QStringLiteral("optMode0"));
    optMode[1]->setObjectName(QStringLiteral("optMode1"));
    txtRow->setObjectName(QStringLiteral("txtRow"));
    lblUnit->setObjectName(QStringLiteral("lblUnit"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(optMode[0], 0, 0, 1, 3);
    layout->addWidget(optMode[1], 1, 0);
    layout->addWidget(txtRow, 1, 1);
    layout->addWidget(lblUnit, 1, 2);
    layout->addWidget(OKButton(), 2, 0);
    layout->addWidget(CancelButton(), 2, 1, 1, 2);
    for (int i = 0; i < 2; ++i) {
        connect(optMode[i], &QRadioButton::clicked, this, [this, i] { optMode_Click(i); });
    }
    connect(OKButton(), &QPushButton::clicked, this, &dlgScroll::OKButton_Click);
}

void dlgScroll::showDialog() {
    const bool lines = settings_.gintScroll > 0;
    optMode[lines ? 1 : 0]->setChecked(true);
    txtRow->setText(lines ? QString::number(settings_.gintScroll) : QString());
    optMode_Click(lines ? 1 : 0);
    show();
    raise();
    activateWindow();
}

void dlgScroll::optMode_Click(int index) {
    txtRow->setEnabled(index == 1);
    lblUnit->setEnabled(index == 1);
}

void dlgScroll::OKButton_Click() {
    if (optMode[0]->isChecked()) {
        settings_.gintScroll = 0;
    } else {
        // A text that is no number reads as 0, screen scroll. The step is kept in 0 .. 32767:
        // a negative step would mean nothing more than 0, and a larger one does not fit.
        const double n = std::nearbyint(Val(txtRow->text().toStdString()));
        settings_.gintScroll = static_cast<int16_t>(n > 0 ? std::min(n, 32767.0) : 0.0);
    }
    close();
}
