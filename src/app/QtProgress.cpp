#include "app/QtProgress.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <algorithm>

QtProgress::QtProgress(QWidget* owner, const QString& text, const QString& title, int showAfterMs)
    : dialog_(new QProgressDialog(text, QStringLiteral("キャンセル"), 0, kRange, owner)) {
    dialog_->setObjectName(QStringLiteral("dlgProgress"));
    dialog_->setWindowTitle(title);
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->setMinimumDuration(showAfterMs);
    QObject::connect(dialog_, &QProgressDialog::canceled, [this] { cancelled_ = true; });
    QObject::connect(dialog_, &QDialog::rejected, [this] { cancelled_ = true; });
    dialog_->setValue(0);  // the time until the dialog appears starts here
}

QtProgress::~QtProgress() {
    delete dialog_;  // nothing when its owner has gone first
    if (arrow_) {
        QGuiApplication::restoreOverrideCursor();
    }
}

bool QtProgress::step(uint64_t done, uint64_t total) {
    if (cancelled_ || dialog_ == nullptr) {
        return false;
    }
    if (sinceEvents_.isValid() && sinceEvents_.elapsed() < kEventsEveryMs) {
        return true;
    }
    sinceEvents_.start();
    const double part = total == 0 ? 1.0 : static_cast<double>(std::min(done, total)) / total;
    // A modal dialog that is shown handles the events itself when its value changes.
    dialog_->setValue(static_cast<int>(part * kRange));
    if (!arrow_ && dialog_ != nullptr && dialog_->isVisible()) {
        // The busy pointer of the command would stand over the cancel button.
        QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        arrow_ = true;
    }
    if (dialog_ != nullptr && !cancelled_) {
        QCoreApplication::processEvents(dialog_->isVisible()
                                            ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents |
                                                  QEventLoop::ExcludeSocketNotifiers);
    }
    return !cancelled_ && dialog_ != nullptr;
}
