#include "ui/timer.h"

namespace ui {
namespace {
const wchar_t kTimerClass[] = L"KvUiTimer";
const UINT_PTR kTimerId = 1;
}

Timer::Timer(unsigned intervalMs, bool enabled) : interval_(intervalMs), enabled_(enabled) {
  RegisterOwnClass(kTimerClass, 0, nullptr);
  CreateOwn(kTimerClass, 0, 0, L"", 0, 0, 0, 0, HWND_MESSAGE, nullptr);
  Update();
}

void Timer::SetInterval(unsigned ms) {
  interval_ = ms;
  Update();
}

void Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Update();
}

void Timer::Update() {
  ::KillTimer(Handle(), kTimerId);
  if (enabled_ && interval_ > 0) ::SetTimer(Handle(), kTimerId, interval_, nullptr);
}

LRESULT Timer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kTimerId) {
    if (enabled_ && OnTimer) OnTimer();
    return 0;
  }
  return DefaultHandler(msg, wp, lp);
}

}  // namespace ui
