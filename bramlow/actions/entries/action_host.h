#pragma once
#include <string>

namespace bramlow {

// What the installation's actions need from the window that runs them: the progress page's
// status line and bar, and keeping the window alive during long work. The wizard implements
// it; tests record the calls.
class IActionHost {
 public:
  virtual ~IActionHost() = default;
  virtual void ShowStatus(const std::wstring& text) = 0;
  virtual void SetProgressPosition(int position) = 0;
  // Handles every window message waiting in the queue and returns when none is left.
  virtual void ProcessPendingMessages() = 0;
  // Caption of the wizard window, the title of the messages the actions show.
  virtual std::wstring WindowCaption() const = 0;
};

}  // namespace bramlow
