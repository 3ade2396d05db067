#pragma once
#include <QEventLoop>

#include "link/LinkSeams.h"

// Waits for the unit on the Qt event loop: each waitOnce handles the pending events, sleeping
// until at least one arrives. setClosing ends every wait, also one asleep.
class QtEventWait final : public EventWait {
  public:
    void waitOnce() override;
    [[nodiscard]] bool closing() const override;
    void setClosing();

  private:
    QEventLoop loop_;
    bool closing_ = false;
};
