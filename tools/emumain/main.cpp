// EMUMAIN: the simulator that Vexlo's tools menu starts (with the argument KAPKAP). It drives
// the traffic of the virtual unit (vexlo-unit) by hand through the unit's control channel.
//
//   EMUMAIN [KAPKAP] [--home DIR] [--control PATH]
//
// The program folder is found as Vexlo finds it (--home, VEXLO_HOME, the executable's
// folder); the control socket is the one of the port its settings name, unless --control
// gives it.
#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QScreen>

#include "SimulatorWindow.h"
#include "UnitControl.h"
#include "files/ProgramFolder.h"
#include "view/WindowLook.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("EMUMAIN"));
    QFont uiFont(QStringLiteral("IPAGothic"));
    uiFont.setPointSize(10);
    QApplication::setFont(uiFont);

    std::vector<std::string> args;
    QString controlPath;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--control") && i + 1 < arguments.size()) {
            controlPath = arguments[++i];
        } else if (arguments[i].startsWith(QLatin1String("--control="))) {
            controlPath = arguments[i].mid(10);
        } else {
            args.push_back(arguments[i].toStdString());
        }
    }
    const std::string exeFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::string folder = locateProgramFolder(exeFolder, args);
    QApplication::setWindowIcon(programIcon(folder, exeFolder));

    UnitControl control;
    SimulatorWindow window(control, QString::fromStdString(folder), controlPath);
    // Vexlo starts the simulator from its menu: the pointer is on Vexlo's main window, and the
    // simulator opens wholly on that screen.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    window.placeOn(
        (screen != nullptr ? screen : QGuiApplication::primaryScreen())->availableGeometry());
    window.show();
    window.cmdConnect_Click();
    return QApplication::exec();
}
