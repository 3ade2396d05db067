#include "link/frmComm.h"

#include <utility>

frmComm::frmComm(LinkState state, const Clock& clock, const QString& programFolder,
                 CommParamView& statusBar, std::function<void()> trigTick,
                 DecoderObservers observers, QObject* parent)
    : QObject(parent),
      link_(state, clock, statusBar, std::move(observers), LinkDevices{port_, timers_, wait_}),
      port_(PortNames(programFolder), link_) {
    setObjectName(QStringLiteral("frmComm"));
    connect(&timers_.timSend, &QTimer::timeout, this, [this] { link_.timSend_Timer(); });
    connect(&timers_.timPortCheck, &QTimer::timeout, this, [this] { link_.timPortCheck_Timer(); });
    connect(&timers_.timTrig, &QTimer::timeout, this, std::move(trigTick));
    timers_.timTrig.start();
}

frmComm::~frmComm() {
    port_.Close();
}
