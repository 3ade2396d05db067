#include "view/dlgTimeSearch.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "search/StringSearch.h"
#include "search/TimeSearch.h"
#include "view/MonitorSearch.h"
#include "view/frmMonitor.h"

dlgTimeSearch::dlgTimeSearch(const RunState& run, const Capture& capture, frmMonitor& monitor,
                             Prompts& prompts, QWidget* parent)
    : ViewDialog(parent),
      run_(run),
      capture_(capture),
      monitor_(monitor),
      prompts_(prompts),
      txtSearch(new QLineEdit(this)) {
    setObjectName(QStringLiteral("dlgTimeSearch"));
    setWindowTitle(QStringLiteral("時間検索"));
    OKButton()->setText(QStringLiteral(" 検索   [F1]"));
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setMaxLength(6);
    auto* label1 = new QLabel(QStringLiteral("検索時刻"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setBuddy(txtSearch);
    auto* label2 = new QLabel(QStringLiteral("HHMMSSで入力してください"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(label1, 0, 0);
    layout->addWidget(txtSearch, 0, 1);
    layout->addWidget(label2, 1, 0, 1, 2);
    layout->addWidget(OKButton(), 2, 0);
    layout->addWidget(CancelButton(), 2, 1);
    OKButton()->setDefault(true);  // Enter in txtSearch
    CancelButton()->setAutoDefault(false);
    connect(OKButton(), &QPushButton::clicked, this, &dlgTimeSearch::OKButton_Click);
}

void dlgTimeSearch::showDialog() {
    show();
    raise();
    activateWindow();
    txtSearch->setFocus();
    txtSearch->selectAll();
}

void dlgTimeSearch::OKButton_Click() {
    if (!MonitorSearch::historyShown(run_)) {
        return;  // a run went live while the dialog was open
    }
    const std::string text = txtSearch->text().toStdString();
    if (!isSearchTime(text)) {
        tell(prompts_, "入力データが不正です", "入力不正", Prompts::Icon::Critical);
        return;
    }
    int32_t pos = 0;
    if (SearchTime(dispWords(capture_), text, pos) == 0) {
        tell(prompts_, "タイムスタンプ記録が見つかりません", "時刻検索",
             Prompts::Icon::Exclamation);
        return;
    }
    monitor_.dispRirekiAt(pos);
}
