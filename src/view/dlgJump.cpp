#include "view/dlgJump.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <limits>

#include "base/Val.h"

dlgJump::dlgJump(HistoryRenderer& history, QWidget* parent)
    : ViewDialog(parent), history_(history), txtJump(new QLineEdit(this)) {
    setObjectName(QStringLiteral("dlgJump"));
    setWindowTitle(QStringLiteral("行ジャンプ"));
    txtJump->setObjectName(QStringLiteral("txtJump"));
    auto* label = new QLabel(QStringLiteral("ジャンプ行"), this);
    label->setBuddy(txtJump);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(txtJump, 0, 1);
    layout->addWidget(OKButton(), 1, 0);
    layout->addWidget(CancelButton(), 1, 1);
    OKButton()->setDefault(true);  // Enter in txtJump
    CancelButton()->setAutoDefault(false);
    connect(OKButton(), &QPushButton::clicked, this, &dlgJump::OKButton_Click);
}

void dlgJump::showDialog() {
    txtJump->clear();
    show();
    raise();
    activateWindow();
    txtJump->setFocus();
}

void dlgJump::OKButton_Click() {
    const double n = std::nearbyint(Val(txtJump->text().toStdString()));
    if (!(n > 0)) {
        return;
    }
    // Any line beyond the data shows an empty screen, however large the number.
    constexpr double kLargest = 9.0e18;
    history_.jumpLine(n < kLargest ? static_cast<int64_t>(n) : std::numeric_limits<int64_t>::max());
    close();
}
