#include "link/QtPortFactory.h"

#include <QString>
#include <utility>

#include "link/CommLink.h"
#include "link/QtEventWait.h"
#include "link/QtLinkTimers.h"
#ifdef Q_OS_WIN
#include "link/QtSerialPort.h"
using SystemPort = QtSerialPort;
#else
#include "link/UnixSerialPort.h"
using SystemPort = UnixSerialPort;
#endif

namespace {

class QtLinkParts final : public LinkParts {
  public:
    explicit QtLinkParts(const std::string& programFolder)
        : port_(PortNames(QString::fromStdString(programFolder))) {}

    SerialPort& port() override { return port_; }
    LinkTimers& timers() override { return timers_; }
    EventWait& wait() override { return wait_; }

    void attach(CommLink& link, std::function<void()> trigTick) override {
        port_.attach(link.decoder(), link);
        QObject::connect(&timers_.timSend, &QTimer::timeout, &timers_.timSend,
                         [&link] { link.timSend_Timer(); });
        QObject::connect(&timers_.timPortCheck, &QTimer::timeout, &timers_.timPortCheck,
                         [&link] { link.timPortCheck_Timer(); });
        QObject::connect(&timers_.timTrig, &QTimer::timeout, &timers_.timTrig, std::move(trigTick));
        timers_.timTrig.start();
    }
    void setClosing() override { wait_.setClosing(); }

  private:
    QtLinkTimers timers_;
    QtEventWait wait_;
    SystemPort port_;  // closed first, while the timers still exist
};

}  // namespace

std::unique_ptr<LinkParts> QtPortFactory::make(const std::string& programFolder) {
    return std::make_unique<QtLinkParts>(programFolder);
}
