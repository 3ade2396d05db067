#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <utility>

#include "link/PortNames.h"
#include "link/SerialPort.h"

// What the serial port classes share around their device: port numbers to devices, where the
// port's events go, and the report of a lost device, made once per open through a queued call
// (a device that goes away may fail every read until it is closed).
class PortSession {
  public:
    explicit PortSession(PortNames names) : names_(std::move(names)) {}

    // Where received bytes and the loss of the unit go; set before the first open.
    void attach(PortInput& input, PortLoss& loss) {
        input_ = &input;
        loss_ = &loss;
    }
    [[nodiscard]] PortInput& input() const { return *input_; }

    // The device of port n, also as result.location; empty, with result NoSuchPort, when
    // there is no port n.
    [[nodiscard]] QString locate(int n, PortOpenResult& result) const;

    // A port opened or closed: a loss reported before belongs to the session that ended.
    void restart() {
        ++session_;
        losing_ = false;
    }
    // True once the loss of this session's device is being reported.
    [[nodiscard]] bool losing() const { return losing_; }
    // Reports the loss of the device, the first time in this session: later, through a queued
    // call on context, closes the port with closePort and tells the events, unless the port was
    // closed or opened again meanwhile.
    void lose(QObject& context, const std::function<void()>& closePort);

  private:
    PortNames names_;
    PortInput* input_ = nullptr;
    PortLoss* loss_ = nullptr;
    unsigned session_ = 0;  // changes with every open and close
    bool losing_ = false;   // a loss is being reported for this session
};
