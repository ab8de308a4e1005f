// Starting an outside program and waiting for it (the resource editor).
#pragma once
#include <functional>
#include <string>

namespace korvel {

struct RunOutcome {
  bool started = false;
  unsigned long exitCode = 0;
};

class IProgramRunner {
 public:
  virtual ~IProgramRunner() = default;
  // Starts commandLine with currentFolder as the program's current folder and returns when it
  // has ended.
  virtual RunOutcome RunAndWait(const std::wstring& commandLine,
                                const std::wstring& currentFolder) = 0;
};

// Runs the program for real. The tool's window is shown without taking the focus. While the
// program runs, whileWaiting is called whenever messages arrive for this thread, so the
// caller's windows keep repainting.
class WindowsProgramRunner : public IProgramRunner {
 public:
  explicit WindowsProgramRunner(std::function<void()> whileWaiting = {})
      : whileWaiting_(std::move(whileWaiting)) {}
  RunOutcome RunAndWait(const std::wstring& commandLine,
                        const std::wstring& currentFolder) override;

 private:
  std::function<void()> whileWaiting_;
};

}  // namespace korvel
