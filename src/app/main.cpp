#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/AppContext.h"
#include "app/FileCommands.h"
#include "app/InstanceLink.h"
#include "app/MDIMonitor.h"
#include "app/ProgramLock.h"
#include "app/QtPrompts.h"
#include "app/QtTranslations.h"
#include "files/ProgramFolder.h"
#include "link/QtPortFactory.h"
#include "view/WindowLook.h"

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

// SIGTERM, SIGINT and SIGHUP (a closed terminal) end the program through the normal shutdown
// (without the question), so the unit is stopped and the settings and the capture being saved
// are not lost at logout or system shutdown. Caught from the start: a signal that arrives
// while the program starts up waits in the pipe until the main window can take it.
void catchTerminationSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(sig, &action, nullptr);
    }
}

void routeTerminationSignals(MDIMonitor& window) {
    if (gSignalPipe[1] < 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(gSignalPipe[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[1], &byte, 1);
        notifier->setEnabled(false);
        window.shutdownNow();
    });
}
#endif

// When the display connection breaks, the platform plugin ends the process with exit():
// the main window's shutdown still runs, without the event loop.
MDIMonitor* gWindow = nullptr;

void shutdownAtExit() {
    if (gWindow != nullptr) {
        gWindow->shutdownAtExit();
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    useJapaneseLocale();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vexlo");
#ifndef _WIN32
    catchTerminationSignals();
#endif

    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string folder =
        locateProgramFolder(QCoreApplication::applicationDirPath().toStdString(), args);
    // Programs started from here (the simulator) work on the same program folder.
    qputenv("VEXLO_HOME", QString::fromStdString(folder).toLocal8Bit());

    // A capture log file named on the command line (a double-clicked .vxm file).
    const std::vector<std::string> files = fileArguments(args);
    const QString instance = instanceName(QString::fromStdString(folder));

    // One instance per program folder: a second start on the same folder hands its file to
    // the running instance and ends.
    const ProgramLock lock(folder);
    if (lock.result() == ProgramLock::Result::HeldByAnother) {
        if (!files.empty()) {
            forwardToRunning(instance, files.front(), 3000);
        }
        return 0;
    }
    const bool writable = lock.result() == ProgramLock::Result::Locked;

    installQtJapanese(app);  // without it the standard buttons stay English
    QApplication::setWindowIcon(
        programIcon(folder, QCoreApplication::applicationDirPath().toStdString()));
    useProgramFonts();

    SystemClock clock;
    QtPrompts prompts;
    QtPortFactory ports;
    AppContext ctx(clock, prompts, ports, folder);
    MDIMonitor window(ctx);
    gWindow = &window;
    std::atexit(shutdownAtExit);
    prompts.setMainWindow(&window);
#ifndef _WIN32
    routeTerminationSignals(window);
#endif
    window.show();
    InstanceServer server(
        instance,
        [&window](const std::string& name) {
            window.activateWindow();
            window.raise();
            window.files().openForwarded(name);
        },
        &window);
    if (!files.empty()) {
        // Opened once the start-up has finished and the window is up.
        QTimer::singleShot(0, &window,
                           [&window, name = files.front()] { window.files().openLog(name); });
    }
    if (!writable) {
        // Said once the window is up, on standard error and in a message box.
        QTimer::singleShot(0, &window, [&prompts, &folder] {
            const std::string text = ProgramLock::notWritableText(folder);
            std::fprintf(stderr, "vexlo: %s\n", text.c_str());
            std::fflush(stderr);
            prompts.message(text, "Vexlo", Prompts::Icon::Exclamation, Prompts::Buttons::Ok);
        });
    }
    const int status = QApplication::exec();
    gWindow = nullptr;
    return status;
}
