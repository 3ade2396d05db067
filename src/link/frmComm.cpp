#include "link/frmComm.h"

frmComm::frmComm(LinkState state, const Clock& clock, const QString& programFolder, LinkHooks hooks,
                 QObject* parent)
    : QObject(parent),
      port_(PortNames(programFolder), *this),
      link_(state, clock, hooks, LinkDevices{port_, timers_, wait_}) {
    setObjectName(QStringLiteral("frmComm"));
    connect(&timers_.timSend, &QTimer::timeout, this, [this] { link_.timSend_Timer(); });
    connect(&timers_.timPortCheck, &QTimer::timeout, this, [this] { link_.timPortCheck_Timer(); });
    connect(&timers_.timTrig, &QTimer::timeout, this,
            [&triggers = hooks.triggers] { triggers.TrigCheckTime(); });
    timers_.timTrig.start();
}

frmComm::~frmComm() {
    port_.Close();
}

void frmComm::OnReceive(const uint8_t* data, size_t size) {
    link_.OnReceive(data, size);
}

void frmComm::OnLinkLost() {
    link_.OnLinkLost();
    emit linkLost();
}
