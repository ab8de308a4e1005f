// The uninstaller's dialogs when a log is kept (/LOG=) or nobody answers (/S): every question
// and message goes to the log with its answer, and what stayed is listed there in full.
#pragma once

#include <string>

#include "bramlow/actions/entries/step_log.h"
#include "uninstall_flow.h"

namespace uninstall {

class LoggedDialogs : public Dialogs {
 public:
  // shown: the dialogs that really ask; nullptr removes without asking and waits for no
  // program that runs too long (an unattended removal must end).
  LoggedDialogs(Dialogs* shown, bramlow::StepLog& log) : shown_(shown), log_(log) {}

  bool Confirm(const std::wstring& caption, const std::wstring& question) override;
  bool KeepWaiting(const std::wstring& caption, const std::wstring& question) override;
  void Inform(const std::wstring& caption, const std::wstring& text, bool isError) override;
  void Removed(const RemovalReport& report) override;
  void Note(const std::wstring& line) override;

 private:
  bool Logged(const std::wstring& caption, const std::wstring& question, bool yes);

  Dialogs* shown_;
  bramlow::StepLog& log_;
};

// The log's last line and the exit code: 0 when everything listed was removed (or the user
// declined), 1 when something stayed, the list was incomplete or missing, or another
// uninstaller was removing it.
int ExitCodeOf(Outcome outcome);
std::wstring OutcomeLine(Outcome outcome);

}  // namespace uninstall
