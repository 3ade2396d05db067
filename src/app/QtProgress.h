#pragma once
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

#include "base/Progress.h"

// The progress dialog of long work: a bar, a text saying what is being done and a cancel
// button. It appears only when the work has gone on for showAfterMs (or looks like lasting
// that long), and is modal for the whole program, so that no command can start while the work
// runs. Events are handled between the pieces of the work, at most every kEventsEveryMs, so
// that the windows are painted; until the dialog appears, without the user's input and the
// sockets' (a file handed on by a later start of the program is opened after the work). The
// cancel button, Escape and a rejection of the dialog (the program being ended) stop the work.
// The dialog closes when the object is destroyed.
class QtProgress final : public Progress {
  public:
    static constexpr int kShowAfterMs = 700;
    static constexpr int kEventsEveryMs = 40;

    QtProgress(QWidget* owner, const QString& text, const QString& title,
               int showAfterMs = kShowAfterMs);
    ~QtProgress() override;
    QtProgress(const QtProgress&) = delete;
    QtProgress& operator=(const QtProgress&) = delete;

    bool step(uint64_t done, uint64_t total) override;

    // The dialog, while its owner has not deleted it.
    [[nodiscard]] QProgressDialog* dialog() const { return dialog_; }

  private:
    static constexpr int kRange = 1000;

    QPointer<QProgressDialog> dialog_;
    QElapsedTimer sinceEvents_;
    bool cancelled_ = false;
    bool arrow_ = false;  // the arrow pointer set over a busy one while the dialog shows
};
