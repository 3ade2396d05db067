#include "link/PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>
#include <tuple>

#include "link/ComPort.h"

namespace {

// Sorting key of a system location: kind, name without its number, number.
std::tuple<int, QString, qulonglong> orderKey(const QString& location) {
    const QString name = QFileInfo(location).fileName();
    int kind = 2;
    if (name.startsWith(QLatin1String("ttyUSB"))) {
        kind = 0;
    } else if (name.startsWith(QLatin1String("ttyACM"))) {
        kind = 1;
    } else if (name.startsWith(QLatin1String("ttyS"))) {
        kind = 3;
    }
    qsizetype digits = name.size();
    while (digits > 0 && name[digits - 1].isDigit()) {
        --digits;
    }
    return {kind, location.left(location.size() - (name.size() - digits)),
            name.mid(digits).toULongLong()};
}

}  // namespace

QStringList PortNames::machineOrder(QStringList locations) {
    std::sort(locations.begin(), locations.end(),
              [](const QString& a, const QString& b) { return orderKey(a) < orderKey(b); });
    return locations;
}

QString PortNames::location(int n) const {
    if (n <= 0) {
        return {};
    }
#ifdef Q_OS_WIN
    return QString::fromStdString(comPortLocation(n));
#else
    const QString entry = QDir(programFolder_).filePath(QStringLiteral("ports/COM%1").arg(n));
    const QFileInfo info(entry);
    if (info.exists() || info.isSymLink()) {
        return entry;
    }
    QStringList present;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        present.append(port.systemLocation());
    }
    const QStringList machine = machineOrder(present);
    return n <= machine.size() ? machine[n - 1] : QString();
#endif
}
