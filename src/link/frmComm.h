#pragma once
#include <QObject>
#include <QString>
#include <string>

#include "core/Clock.h"
#include "link/CommLink.h"
#include "link/QtEventWait.h"
#include "link/QtLinkTimers.h"
#include "link/QtSerialPort.h"

// The link to the unit for the application: the serial port, the link timers, the event wait
// and the link logic with its decoder, in one object. Everything the program asks of the link
// goes through comm(); received bytes go to the decoder by themselves.
class frmComm final : public QObject, private PortEvents {
    Q_OBJECT

  public:
    // programFolder holds the ports/ folder (see PortNames). The hooks must outlive the link.
    frmComm(LinkState state, const Clock& clock, const QString& programFolder, LinkHooks hooks,
            QObject* parent = nullptr);
    ~frmComm() override;

    [[nodiscard]] CommLink& comm() { return link_; }
    [[nodiscard]] const CommLink& comm() const { return link_; }

    // Ends every wait for the unit now and in the future; for a program that is closing.
    void setClosing() { wait_.setClosing(); }
    [[nodiscard]] bool closing() const { return wait_.Closing(); }
    // True while PortOpen or SendCommParam waits: the link must not be destroyed then.
    [[nodiscard]] bool waiting() const { return link_.Waiting(); }

  signals:
    // The unit went away (unplugged, or its end of the link closed). The port is closed and
    // the queue emptied already; emitted once per open.
    void linkLost();

  private:
    void OnReceive(const uint8_t* data, size_t size) override;
    void OnLinkLost() override;

    QtLinkTimers timers_;
    QtEventWait wait_;
    QtSerialPort port_;
    CommLink link_;
};
