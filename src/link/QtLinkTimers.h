#pragma once
#include <QTimer>

#include "link/LinkSeams.h"

// timSend and timPortCheck as single-shot QTimers; their timeout signals go to the link.
class QtLinkTimers final : public LinkTimers {
  public:
    QtLinkTimers();

    void EnableSend(bool on) override { enable(timSend, on); }
    void EnablePortCheck(bool on) override { enable(timPortCheck, on); }

    QTimer timSend;
    QTimer timPortCheck;

  private:
    static void enable(QTimer& timer, bool on);
};
