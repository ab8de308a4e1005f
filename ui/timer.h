// A timer with an interval and an on/off switch; OnTimer runs in the message loop. It owns a
// hidden message-only window, so it needs no form.
#pragma once
#include <functional>

#include "ui/window.h"

namespace ui {

class Timer : public Window {
public:
  explicit Timer(unsigned intervalMs = 1000, bool enabled = false);

  void SetInterval(unsigned ms);
  unsigned Interval() const noexcept { return interval_; }
  void SetEnabled(bool enabled);
  bool Enabled() const noexcept { return enabled_; }

  std::function<void()> OnTimer;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void Update();
  unsigned interval_;
  bool enabled_;
};

}  // namespace ui
