#include "link/QtEventWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

void QtEventWait::WaitOnce() {
    if (!Closing()) {
        loop_.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

bool QtEventWait::Closing() const {
    return closing_ || QCoreApplication::closingDown();
}

void QtEventWait::setClosing() {
    closing_ = true;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        dispatcher->wakeUp();
    }
}
