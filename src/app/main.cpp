#include <QApplication>
#include <QFont>
#include <QLockFile>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/AppContext.h"
#include "app/FileCommands.h"
#include "app/InstanceLink.h"
#include "app/MainWindow.h"
#include "app/QtPrompts.h"
#include "files/ProgramFolder.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifndef _WIN32
int gSignalPipe[2] = {-1, -1};

void onTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[0], &byte, 1);
}

// SIGTERM and SIGINT end the program through the normal shutdown (without the question),
// so the settings and the capture being saved are not lost at logout or system shutdown.
void routeTerminationSignals(MainWindow& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[1], &byte, 1);
        notifier->setEnabled(false);
        window.shutdownNow();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
#endif

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vexlo");

    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string folder =
        LocateProgramFolder(QCoreApplication::applicationDirPath().toStdString(), args);
    // Programs started from here (the simulator) work on the same program folder.
    qputenv("VEXLO_HOME", QString::fromStdString(folder).toLocal8Bit());

    // A capture log file named on the command line (a double-clicked .vxm file).
    const std::vector<std::string> files = FileArguments(args);
    const QString instance = InstanceName(QString::fromStdString(folder));

    // One instance per program folder: a second start on the same folder hands its file to
    // the running instance and ends.
    QLockFile lock(QString::fromStdString(JoinPath(folder, "vexlo.lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (!files.empty()) {
            ForwardToRunning(instance, files.front(), 3000);
        }
        return 0;
    }

    QFont::insertSubstitution("ＭＳ ゴシック", "IPAGothic");
    QFont uiFont("IPAGothic");
    uiFont.setPointSize(10);
    QApplication::setFont(uiFont);

    SystemClock clock;
    QtPrompts prompts;
    AppContext ctx(clock, prompts, folder);
    MainWindow window(ctx);
    prompts.setParent(&window);
#ifndef _WIN32
    routeTerminationSignals(window);
#endif
    window.show();
    InstanceServer server(
        instance,
        [&window](const std::string& name) {
            window.activateWindow();
            window.raise();
            window.files().OpenForwarded(name);
        },
        &window);
    if (!files.empty()) {
        // Opened once the start-up has finished and the window is up.
        QTimer::singleShot(0, &window,
                           [&window, name = files.front()] { window.files().OpenLog(name); });
    }
    return QApplication::exec();
}
