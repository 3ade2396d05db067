#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "base/Clock.h"
#include "link/CommLink.h"
#include "link/QtEventWait.h"
#include "link/QtLinkTimers.h"
#include "link/QtSerialPort.h"

// The link to the unit for the application: the serial port, the link timers, the event wait
// and the link logic with its decoder, in one object. Everything the program asks of the link
// goes through comm(); the port hands received bytes and the loss of the unit to the link
// itself, which tells the observers.
class frmComm final : public QObject {
    Q_OBJECT

  public:
    // programFolder holds the ports/ folder (see PortNames); trigTick is called at every tick of
    // timTrig. The status bar and the observers must outlive the link.
    frmComm(LinkState state, const Clock& clock, const QString& programFolder,
            CommParamView& statusBar, std::function<void()> trigTick, DecoderObservers observers,
            QObject* parent = nullptr);
    ~frmComm() override;

    [[nodiscard]] CommLink& comm() { return link_; }
    [[nodiscard]] const CommLink& comm() const { return link_; }

    // Ends every wait for the unit now and in the future; for a program that is closing.
    void setClosing() { wait_.setClosing(); }
    [[nodiscard]] bool closing() const { return wait_.Closing(); }
    // True while PortOpen or SendCommParam waits: the link must not be destroyed then.
    [[nodiscard]] bool waiting() const { return link_.Waiting(); }

  private:
    QtLinkTimers timers_;
    QtEventWait wait_;
    CommLink link_;  // holds the port below by reference; nothing uses it before it is made
    QtSerialPort port_;
};
