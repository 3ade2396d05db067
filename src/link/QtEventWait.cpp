#include "link/QtEventWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

void QtEventWait::waitOnce() {
    if (!closing()) {
        loop_.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

bool QtEventWait::closing() const {
    return closing_ || QCoreApplication::closingDown();
}

void QtEventWait::setClosing() {
    closing_ = true;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        dispatcher->wakeUp();
    }
}
