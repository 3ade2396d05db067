#pragma once
#include <QEventLoop>

#include "link/LinkSeams.h"

// Waits for the unit on the Qt event loop: each WaitOnce handles the pending events, sleeping
// until at least one arrives. setClosing ends every wait, also one asleep.
class QtEventWait final : public EventWait {
  public:
    void WaitOnce() override;
    [[nodiscard]] bool Closing() const override;
    void setClosing();

  private:
    QEventLoop loop_;
    bool closing_ = false;
};
