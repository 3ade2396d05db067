#pragma once
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

// Unless the environment chose another platform, windows go to the offscreen platform, on one
// screen of a desktop's size (1600 x 1000 at 96 dpi) rather than the platform's own 800 x 800,
// so that windows of the sizes users keep fit on it as they do on a desktop. Made before the
// application object; applied() once it exists removes the platform's configuration file and
// gives the environment back as it was, for the processes the program starts.
class OffscreenDesktop {
  public:
    OffscreenDesktop() {
        const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
        if (!chosen.isEmpty() && chosen != "offscreen") {
            return;
        }
        path_ = QDir::temp().filePath(
            QStringLiteral("vexlo-offscreen-%1.json").arg(QCoreApplication::applicationPid()));
        QFile file(path_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1600,
                 "height": 1000, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})") < 0) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + path_.toLocal8Bit());
    }

    void applied() {
        if (path_.isEmpty()) {
            return;
        }
        QFile::remove(path_);
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

  private:
    QString path_;
};
