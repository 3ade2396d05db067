#include "link/frmComm.h"

#include <utility>

frmComm::frmComm(LinkState state, const Clock& clock, PortFactory& ports,
                 const std::string& programFolder, CommParamView& statusBar,
                 std::function<void()> trigTick, DecoderObservers observers, QObject* parent)
    : QObject(parent),
      parts_(ports.make(programFolder)),
      link_(state, clock, statusBar, std::move(observers),
            LinkDevices{parts_->port(), parts_->timers(), parts_->wait()}) {
    setObjectName(QStringLiteral("frmComm"));
    parts_->attach(link_, std::move(trigTick));
}

frmComm::~frmComm() {
    parts_->port().close();
}
