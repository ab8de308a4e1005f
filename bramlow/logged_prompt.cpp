#include "bramlow/logged_prompt.h"

#include <windows.h>

#include <vector>

namespace bramlow {
namespace {

std::vector<int> ButtonsOf(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default: return {IDOK};
  }
}

}  // namespace

int FixedAnswer(UINT flags) {
  const std::vector<int> buttons = ButtonsOf(flags);
  size_t chosen = 0;
  switch (flags & MB_DEFMASK) {
    case MB_DEFBUTTON2: chosen = 1; break;
    case MB_DEFBUTTON3: chosen = 2; break;
    case MB_DEFBUTTON4: chosen = 3; break;
    default: break;
  }
  if (chosen >= buttons.size()) chosen = 0;
  const int answer = buttons[chosen];
  if (answer == IDRETRY || answer == IDTRYAGAIN) {
    // The button after Retry: Cancel or Ignore, Continue after Try Again.
    return buttons[(chosen + 1) % buttons.size()];
  }
  return answer;
}

std::wstring AnswerName(int id) {
  switch (id) {
    case IDOK: return L"OK";
    case IDCANCEL: return L"Cancel";
    case IDABORT: return L"Abort";
    case IDRETRY: return L"Retry";
    case IDIGNORE: return L"Ignore";
    case IDYES: return L"Yes";
    case IDNO: return L"No";
    case IDTRYAGAIN: return L"Try Again";
    case IDCONTINUE: return L"Continue";
    default: return L"button " + std::to_wstring(id);
  }
}

int LoggedPrompt::Logged(const std::wstring& text, const std::wstring& caption, int answer) {
  log_.Line(L"message \"" + caption + L"\": " + text + L" -> " + AnswerName(answer) +
            (shown_ ? L"" : L" (unattended)"));
  return answer;
}

int LoggedPrompt::Box(const std::wstring& text, const std::wstring& caption, UINT flags) {
  return Logged(text, caption, shown_ ? shown_->Box(text, caption, flags) : FixedAnswer(flags));
}

int LoggedPrompt::OwnedBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
  return Logged(text, caption,
                shown_ ? shown_->OwnedBox(owner, text, caption, flags) : FixedAnswer(flags));
}

bool LoggedPrompt::Ask(const ui::OwnQuestion& question) {
  const bool ok = shown_ ? shown_->Ask(question) : true;
  Logged(question.text, question.caption, ok ? IDOK : IDCANCEL);
  return ok;
}

}  // namespace bramlow
