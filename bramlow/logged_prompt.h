#pragma once
// The prompt when a log is kept or nobody is there to answer. Every message and question is
// written to the log with its answer; with no prompt behind it (silent mode) the answer is
// the one a press of Enter would give, so the run goes on as the kit's author made it, and
// no window ever appears.
#include <string>

#include "bramlow/actions/entries/step_log.h"
#include "ui/user_prompt.h"

namespace bramlow {

class LoggedPrompt : public ui::IUserPrompt {
 public:
  // shown: the prompt that really asks; nullptr answers without asking.
  LoggedPrompt(ui::IUserPrompt* shown, StepLog& log) : shown_(shown), log_(log) {}

  int Box(const std::wstring& text, const std::wstring& caption, UINT flags) override;
  int OwnedBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) override;
  bool Ask(const ui::OwnQuestion& question) override;

 private:
  int Logged(const std::wstring& text, const std::wstring& caption, int answer);

  ui::IUserPrompt* shown_;
  StepLog& log_;
};

// The button a message box of these flags gives when Enter is pressed (its default button),
// except that Retry is never the fixed answer: nothing would change before the next try.
int FixedAnswer(UINT flags);

// "OK", "Cancel", "Yes", "No"... for the log.
std::wstring AnswerName(int id);

}  // namespace bramlow
