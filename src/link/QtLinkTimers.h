#pragma once
#include <QTimer>

#include "link/LinkSeams.h"

// timSend and timPortCheck as single-shot QTimers; their timeout signals go to the link.
// timTrig, the trigger clock, repeats every 5 seconds from the start of the link window to
// the end of the program.
class QtLinkTimers final : public LinkTimers {
  public:
    QtLinkTimers();

    void enableSend(bool on) override { enable(timSend, on); }
    void enablePortCheck(bool on) override { enable(timPortCheck, on); }

    QTimer timSend;
    QTimer timPortCheck;
    QTimer timTrig;

  private:
    static void enable(QTimer& timer, bool on);
};
