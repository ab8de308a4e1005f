#include "ui/user_prompt.h"

#include "ui/message_box.h"

namespace ui {
namespace {
IUserPrompt* current = nullptr;
}

int SystemPrompt::Box(const std::wstring& text, const std::wstring& caption, UINT flags) {
  return ShowMessageBox(text, caption, flags);
}

int SystemPrompt::OwnedBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
  return ShowMessageBox(owner, text, caption, flags);
}

bool SystemPrompt::Ask(const OwnQuestion& question) {
  if (ask_) return ask_(question);
  // No own window installed: a standard box asks the same.
  return ShowMessageBox(question.text, question.caption, MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

int ScriptedPrompt::Box(const std::wstring& text, const std::wstring& caption, UINT flags) {
  asked_.push_back(Record{Record::Kind::Box, text, caption, flags, 0, false});
  if (boxAnswers_.empty()) { ++unanswered_; return defaultBoxAnswer; }
  int answer = boxAnswers_.front();
  boxAnswers_.pop_front();
  return answer;
}

int ScriptedPrompt::OwnedBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
  const int answer = Box(text, caption, flags);
  if (!asked_.empty()) asked_.back().owner = owner;
  return answer;
}

bool ScriptedPrompt::Ask(const OwnQuestion& q) {
  asked_.push_back(Record{Record::Kind::Ask, q.text, q.caption, 0, q.color, q.bold});
  if (askAnswers_.empty()) { ++unanswered_; return defaultAskAnswer; }
  bool answer = askAnswers_.front();
  askAnswers_.pop_front();
  return answer;
}

SystemPrompt& TheSystemPrompt() {
  static SystemPrompt prompt;
  return prompt;
}

IUserPrompt& Prompt() { return current ? *current : TheSystemPrompt(); }

ScopedPrompt::ScopedPrompt(IUserPrompt& prompt) : previous_(current) { current = &prompt; }
ScopedPrompt::~ScopedPrompt() { current = previous_; }

}  // namespace ui
