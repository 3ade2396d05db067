#include "link/PortSession.h"

#include <QMetaObject>

QString PortSession::locate(int n, PortOpenResult& result) const {
    QString location = names_.location(n);
    if (location.isEmpty()) {
        result.status = PortOpenResult::Status::NoSuchPort;
    }
    result.location = location.toStdString();
    return location;
}

void PortSession::lose(QObject& context, const std::function<void()>& closePort) {
    if (losing_) {
        return;
    }
    losing_ = true;
    const unsigned session = session_;
    QMetaObject::invokeMethod(
        &context,
        [this, session, closePort] {
            if (session != session_) {
                return;  // closed or reopened meanwhile
            }
            closePort();
            loss_->onLinkLost();
        },
        Qt::QueuedConnection);
}
