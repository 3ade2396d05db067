#pragma once
#include <QString>
#include <QStringList>
#include <utility>

// Port numbers on this machine.
//
// Port n is the entry ports/COM<n> in the program folder when that entry exists: a symbolic
// link to a serial device such as /dev/ttyUSB0, or the link that the virtual unit makes
// (vexlo-unit --link <program folder>/ports/COM5). An entry whose target is gone still names
// the port, which then fails to open. Without such an entry, port n is the n-th serial port
// that the system reports as present, counted in this order: USB serial adapters
// (/dev/ttyUSB0, /dev/ttyUSB1, ...), then USB modem-class devices (/dev/ttyACM0, ...), then
// any other kind, then the built-in ports (/dev/ttyS0, ...); within each kind by number, so
// that ttyUSB2 comes before ttyUSB10. Pseudo-terminals are never counted: name them in
// ports/. On Windows port n is COM<n>, by its device path \\.\COM<n>.
class PortNames {
  public:
    explicit PortNames(QString programFolder) : programFolder_(std::move(programFolder)) {}

    // The device location of port n, or an empty text when there is no port n.
    [[nodiscard]] QString location(int n) const;

    // System locations of serial ports in the counting order described above.
    [[nodiscard]] static QStringList machineOrder(QStringList locations);

  private:
    [[maybe_unused]] QString programFolder_;  // not used on Windows
};
