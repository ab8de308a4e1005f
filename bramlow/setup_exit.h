#pragma once
// What bramlow.exe tells its caller through its exit code, with or without /S, so scripts and
// deployment tools can tell a finished installation from a failed or refused one.
#include <string>

#include "bramlow/actions/entries/restart_computer.h"
#include "bramlow/state/setup_state.h"

namespace bramlow {

enum class SetupExit : int {
  Installed = 0,
  Failed = 1,          // a copy failed, a runtime error, a log that cannot be written
  Refused = 2,         // OnlyNT, Cancel, no language file: nothing was installed
  RestartWanted = 3010 // installed; the computer must restart before it is complete
};

// The outcome of a run that has ended (the runtime error exits on its own, with 1).
// restartStarted: the computer's restart was asked for at the end.
SetupExit SetupOutcome(const TSetupState& state, int failedCopies, bool logFailed, bool restartStarted);

// The log's last line: "result: installed (exit code 0)".
std::wstring OutcomeLine(SetupExit outcome);

// Passes the restart on and remembers that it was asked for.
class NotedRestart final : public IComputerRestart {
 public:
  explicit NotedRestart(IComputerRestart& restart) : restart_(restart) {}
  void RestartComputer() override {
    started_ = true;
    restart_.RestartComputer();
  }
  bool Started() const { return started_; }

 private:
  IComputerRestart& restart_;
  bool started_ = false;
};

}  // namespace bramlow
