#pragma once
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "base/Clock.h"
#include "link/CommLink.h"
#include "link/PortFactory.h"

// The link to the unit for the application: the serial port, the link timers and the event
// wait that the port factory makes, and the link logic with its decoder, in one object.
// Everything the program asks of the link goes through comm(); the port hands received bytes
// and the loss of the unit to the link itself, which tells the observers.
class frmComm final : public QObject {
    Q_OBJECT

  public:
    // programFolder holds the ports/ folder (see PortNames); trigTick is called at every tick of
    // timTrig. The status bar and the observers must outlive the link.
    frmComm(LinkState state, const Clock& clock, PortFactory& ports,
            const std::string& programFolder, CommParamView& statusBar,
            std::function<void()> trigTick, DecoderObservers observers, QObject* parent = nullptr);
    ~frmComm() override;

    [[nodiscard]] CommLink& comm() { return link_; }
    [[nodiscard]] const CommLink& comm() const { return link_; }
    // The serial port, which hands what it reads to the decoder.
    [[nodiscard]] SerialPort& port() { return parts_->port(); }

    // Ends every wait for the unit now and in the future; for a program that is closing.
    void setClosing() { parts_->setClosing(); }
    // True while PortOpen or SendCommParam waits: the link must not be destroyed then.
    [[nodiscard]] bool waiting() const { return link_.waiting(); }

  private:
    std::unique_ptr<LinkParts> parts_;
    CommLink link_;
};
