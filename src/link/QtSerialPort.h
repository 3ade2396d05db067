#pragma once
#include <QSerialPort>
#include <QString>
#include <cstdint>
#include <vector>

#include "link/PortSession.h"
#include "link/SerialPort.h"

// The port to the unit on QSerialPort, the program's port on Windows (elsewhere the tests run
// it next to UnixSerialPort, so that its behaviour is checked on every machine). The PC side of
// the link needs no line settings: the port keeps Qt's defaults, never uses software flow
// control (it would swallow 0x11 and 0x13), and keeps every received byte (unlimited read
// buffer). Each readyRead hands all waiting bytes to PortInput as one batch read into a reused
// buffer.
//
// A unit that goes away makes QSerialPort report read or resource errors in a tight loop;
// the first one (or a write error) closes the port through a queued call and reports
// onLinkLost once. Qt itself honours lock files, and gives back the exclusive flag and the
// settings at close.
class QtSerialPort final : public SerialPort {
  public:
    explicit QtSerialPort(PortNames names);
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    // Where received bytes and the loss of the unit go; set before the first Open.
    void attach(PortInput& input, PortLoss& loss) { session_.attach(input, loss); }

    PortOpenResult open(int n) override;
    void close() override;
    bool write(const std::string& text) override;
    [[nodiscard]] bool isOpen() const override { return port_.isOpen(); }

  private:
    void readWaiting();
    void onError(QSerialPort::SerialPortError error);
    [[nodiscard]] PortOpenResult::Status openFailure(
        [[maybe_unused]] const QString& location) const;

    PortSession session_;
    QSerialPort port_;
    std::vector<uint8_t> buffer_;
    bool reading_ = false;  // a batch is being decoded
};
