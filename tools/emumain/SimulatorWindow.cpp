#include "SimulatorWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "UnitControl.h"

namespace {

constexpr int kStatusMs = 1000;
constexpr int kLogLines = 500;

// What each scenario of the unit is, for the drop-down list.
QString scenarioCaption(const QString& name) {
    static const QHash<QString, QString> captions = {
        {QStringLiteral("none"), QStringLiteral("手動送信のみ")},
        {QStringLiteral("chat"), QStringLiteral("会話")},
        {QStringLiteral("modbus"), QStringLiteral("Modbus ポーリング")},
        {QStringLiteral("meter"), QStringLiteral("独自プロトコル（STX/ETX）")},
        {QStringLiteral("blocks"), QStringLiteral("独自プロトコル（長さ + CRC）")},
        {QStringLiteral("errors"), QStringLiteral("エラー入り会話")},
        {QStringLiteral("lines"), QStringLiteral("制御線付き会話")},
        {QStringLiteral("flood"), QStringLiteral("全速データ")},
        {QStringLiteral("garbage"), QStringLiteral("不正データ")}};
    const QString caption = captions.value(name);
    return caption.isEmpty() ? name : name + QStringLiteral("  ") + caption;
}

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

SimulatorWindow::SimulatorWindow(UnitControl& control, QString programFolder, QString controlPath,
                                 QWidget* parent)
    : QWidget(parent),
      control_(control),
      programFolder_(std::move(programFolder)),
      fixedPath_(std::move(controlPath)),
      lblTarget(named(new QLabel(this), "lblTarget")),
      lblState(named(new QLabel(this), "lblState")),
      txtData(named(new QLineEdit(this), "txtData")),
      chkCrLf(named(new QCheckBox(QStringLiteral("CR+LF付加"), this), "chkCrLf")),
      chkParity(named(new QCheckBox(QStringLiteral("パリティエラー"), this), "chkParity")),
      chkFraming(named(new QCheckBox(QStringLiteral("フレーミングエラー"), this), "chkFraming")),
      cmdSend(named(new QPushButton(QStringLiteral("送信(&S)"), this), "cmdSend")),
      cmbScenario(named(new QComboBox(this), "cmbScenario")),
      lstLog(named(new QListWidget(this), "lstLog")) {
    setObjectName(QStringLiteral("SimulatorWindow"));
    setWindowTitle(QStringLiteral("Vexlo シミュレータ"));

    auto* cmdConnect = named(new QPushButton(QStringLiteral("再接続(&C)"), this), "cmdConnect");
    connect(cmdConnect, &QPushButton::clicked, this, &SimulatorWindow::cmdConnect_Click);
    lblTarget->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("接続先"), this), 0, 0);
    top->addWidget(lblTarget, 0, 1);
    top->addWidget(lblState, 1, 1);
    top->addWidget(cmdConnect, 0, 2);
    top->setColumnStretch(1, 1);

    auto* framSend = named(new QGroupBox(QStringLiteral("データ送信"), this), "framSend");
    txtData->setPlaceholderText(QStringLiteral("送信する文字列（\\r \\n \\xHH 可）"));
    const char* directions[] = {"SD (送信データ)", "RD (受信データ)"};
    for (int i = 0; i < 2; ++i) {
        optDir[i] = new QRadioButton(QString::fromUtf8(directions[i]), framSend);
        optDir[i]->setObjectName(QStringLiteral("optDir%1").arg(i));
    }
    optDir[0]->setChecked(true);
    chkCrLf->setChecked(true);
    cmdSend->setDefault(true);
    connect(cmdSend, &QPushButton::clicked, this, &SimulatorWindow::cmdSend_Click);
    connect(txtData, &QLineEdit::returnPressed, this, &SimulatorWindow::cmdSend_Click);
    auto* sendLayout = new QGridLayout(framSend);
    sendLayout->addWidget(txtData, 0, 0, 1, 3);
    sendLayout->addWidget(cmdSend, 0, 3);
    sendLayout->addWidget(optDir[0], 1, 0);
    sendLayout->addWidget(optDir[1], 1, 1);
    sendLayout->addWidget(chkCrLf, 1, 2);
    sendLayout->addWidget(chkParity, 2, 0);
    sendLayout->addWidget(chkFraming, 2, 1);

    auto* framLines = named(new QGroupBox(QStringLiteral("制御線"), this), "framLines");
    auto* linesLayout = new QHBoxLayout(framLines);
    for (int i = 0; i < 6; ++i) {
        auto* button = new QPushButton(UnitControl::kLineNames[i], framLines);
        button->setObjectName(QStringLiteral("cmdLine") + UnitControl::kLineNames[i]);
        button->setCheckable(true);
        button->setMinimumWidth(48);
        connect(button, &QPushButton::clicked, this,
                [this, i](bool on) { control_.setLine(i, on); });
        cmdLine[i] = button;
        linesLayout->addWidget(button);
    }

    auto* framScenario = named(new QGroupBox(QStringLiteral("シナリオ"), this), "framScenario");
    auto* scenarioLayout = new QHBoxLayout(framScenario);
    scenarioLayout->addWidget(cmbScenario, 1);
    connect(cmbScenario, &QComboBox::activated, this,
            [this](int index) { control_.setScenario(cmbScenario->itemData(index).toString()); });

    auto* cmdClose = named(new QPushButton(QStringLiteral("閉じる(&X)"), this), "cmdClose");
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(framSend);
    layout->addWidget(framLines);
    layout->addWidget(framScenario);
    layout->addWidget(new QLabel(QStringLiteral("ログ"), this));
    layout->addWidget(lstLog, 1);
    layout->addLayout(bottom);

    connect(&control_, &UnitControl::stateChanged, this, &SimulatorWindow::showState);
    connect(&control_, &UnitControl::connectionChanged, this, &SimulatorWindow::showConnection);
    connect(&control_, &UnitControl::replied, this, &SimulatorWindow::log);
    // The unit is started and stopped by Vexlo: look at its state now and then.
    auto* status = new QTimer(this);
    connect(status, &QTimer::timeout, this, [this] {
        if (control_.isConnected()) {
            control_.askStatus();
        }
    });
    status->start(kStatusMs);
    resize(560, 520);
}

QRect FramePlacement(QSize size, QMargins frame, const QRect& area) {
    const QSize outer = size.grownBy(frame).boundedTo(area.size());
    QRect placed(QPoint(), outer);
    placed.moveCenter(area.center());
    return placed;
}

void SimulatorWindow::placeOn(const QRect& area) {
    // The window manager's frame is not known before the window is shown: room for a title
    // bar and borders of the usual sizes.
    const QMargins frame(8, 40, 8, 8);
    const QRect placed = FramePlacement(size(), frame, area);
    resize(placed.size().shrunkBy(frame));
    move(placed.topLeft());
}

void SimulatorWindow::cmdConnect_Click() {
    const QString path =
        fixedPath_.isEmpty() ? UnitControl::controlPath(programFolder_) : fixedPath_;
    lblTarget->setText(path);
    control_.connectTo(path);
}

void SimulatorWindow::cmdSend_Click() {
    QString error;
    if (!control_.sendText(optDir[0]->isChecked(), txtData->text(), chkCrLf->isChecked(),
                           chkParity->isChecked(), chkFraming->isChecked(), error)) {
        log(QStringLiteral("送信"), QStringLiteral("NG ") + error);
        return;
    }
    txtData->selectAll();
}

void SimulatorWindow::showConnection(bool connected) {
    lblState->setText(connected ? QStringLiteral("接続中")
                                : QStringLiteral("未接続（仮想ユニットが見つかりません）"));
    for (QPushButton* button : cmdLine) {
        button->setEnabled(connected);
    }
    cmdSend->setEnabled(connected);
    cmbScenario->setEnabled(connected);
}

void SimulatorWindow::showState() {
    if (control_.isConnected()) {
        lblState->setText(control_.monitoring() ? QStringLiteral("接続中 ― モニタ実行中")
                                                : QStringLiteral("接続中 ― モニタ停止中"));
    }
    for (int i = 0; i < 6; ++i) {
        cmdLine[i]->setChecked((control_.lines() & (1U << i)) != 0);
    }
    if (cmbScenario->count() != control_.scenarios().size()) {
        cmbScenario->clear();
        for (const QString& name : control_.scenarios()) {
            cmbScenario->addItem(scenarioCaption(name), name);
        }
    }
    cmbScenario->setCurrentIndex(cmbScenario->findData(control_.scenario()));
}

void SimulatorWindow::log(const QString& command, const QString& reply) {
    // The state asked for now and then would drown everything else.
    if (command == QLatin1String("STATUS") || command == QLatin1String("SCENARIOS")) {
        return;
    }
    lstLog->addItem(command + QStringLiteral("  →  ") + reply);
    while (lstLog->count() > kLogLines) {
        delete lstLog->takeItem(0);
    }
    lstLog->scrollToBottom();
}
