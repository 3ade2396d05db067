#pragma once
#include <QSerialPort>
#include <QString>
#include <cstdint>
#include <vector>

#include "link/PortNames.h"
#include "link/SerialPort.h"

// The port to the unit on QSerialPort. The PC side of the link needs no line settings: the
// port keeps Qt's defaults, never uses software flow control (it would swallow 0x11 and
// 0x13), and keeps every received byte (unlimited read buffer). Each readyRead hands all
// waiting bytes to PortEvents as one batch read into a reused buffer.
//
// A unit that goes away makes QSerialPort report read or resource errors in a tight loop;
// the first one closes the port through a queued call and reports onLinkLost once.
class QtSerialPort final : public SerialPort {
  public:
    explicit QtSerialPort(PortNames names);
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    // Where received bytes and the loss of the unit go; set before the first Open.
    void attach(PortEvents& events) { events_ = &events; }

    PortOpenResult open(int n) override;
    void close() override;
    bool write(const std::string& text) override;
    [[nodiscard]] bool isOpen() const override { return port_.isOpen(); }

  private:
    void readWaiting();
    void onError(QSerialPort::SerialPortError error);
    [[nodiscard]] PortOpenResult::Status openFailure(
        [[maybe_unused]] const QString& location) const;

    PortNames names_;
    PortEvents* events_ = nullptr;
    QSerialPort port_;
    std::vector<uint8_t> buffer_;
    unsigned session_ = 0;  // changes with every open and close
    bool losing_ = false;   // a loss is being reported for this session
    bool reading_ = false;  // a batch is being decoded
};
