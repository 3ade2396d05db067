#include "link/QtLinkTimers.h"

QtLinkTimers::QtLinkTimers() {
    timSend.setObjectName(QStringLiteral("timSend"));
    timSend.setSingleShot(true);
    timSend.setInterval(kSendMs);
    timSend.setTimerType(Qt::PreciseTimer);
    timPortCheck.setObjectName(QStringLiteral("timPortCheck"));
    timPortCheck.setSingleShot(true);
    timPortCheck.setInterval(kPortCheckMs);
    timPortCheck.setTimerType(Qt::PreciseTimer);  // a coarse timer may end a probe 40 ms early
    timTrig.setObjectName(QStringLiteral("timTrig"));
    timTrig.setInterval(kTrigMs);
}

void QtLinkTimers::enable(QTimer& timer, bool on) {
    if (!on) {
        timer.stop();
    } else if (!timer.isActive()) {
        timer.start();
    }
}
