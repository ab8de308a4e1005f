#include "bramlow/setup_exit.h"

namespace bramlow {

SetupExit SetupOutcome(const TSetupState& state, int failedCopies, bool logFailed, bool restartStarted) {
  if (logFailed) return SetupExit::Failed;
  // Only a run that reached the finish page installed anything: every other end is a
  // refusal or a cancel (Finished is also set by both of those, so the page decides).
  const bool installed = state.PageStep >= 3 && state.Finished;
  if (!installed) return SetupExit::Refused;
  if (state.CopyFailed || failedCopies > 0) return SetupExit::Failed;
  if (state.Reboot && !restartStarted) return SetupExit::RestartWanted;
  return SetupExit::Installed;
}

std::wstring OutcomeLine(SetupExit outcome) {
  const int code = static_cast<int>(outcome);
  const wchar_t* what = L"installed";
  switch (outcome) {
    case SetupExit::Installed: what = L"installed"; break;
    case SetupExit::Failed: what = L"failed"; break;
    case SetupExit::Refused: what = L"refused or cancelled, nothing installed"; break;
    case SetupExit::RestartWanted: what = L"installed, restart needed"; break;
  }
  return std::wstring(L"result: ") + what + L" (exit code " + std::to_wstring(code) + L")";
}

}  // namespace bramlow
