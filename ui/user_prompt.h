// The one road by which the programs ask or tell the user something. The real prompt shows
// modal windows; tests install a ScriptedPrompt that answers from a script and records what
// was asked.
#pragma once
#include <windows.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/colors.h"

namespace ui {

// A question in a program's own question window (Korvel's message window, say).
struct OwnQuestion {
  std::wstring caption;
  std::wstring text;
  Color color = kBlack;
  bool bold = false;
};

class IUserPrompt {
public:
  virtual ~IUserPrompt() = default;
  // A standard modal message box. flags as for MessageBox (MB_OK | MB_ICONWARNING...);
  // returns the button's ID (IDOK, IDCANCEL, IDYES, IDNO...).
  virtual int Box(const std::wstring& text, const std::wstring& caption, UINT flags) = 0;
  // The same box owned by the given window, shown or hidden: an owned box has no task-bar
  // button of its own. A prompt that shows nothing may ignore the owner.
  virtual int OwnedBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    (void)owner;
    return Box(text, caption, flags);
  }
  // The program's own question window; true when it was confirmed (OK).
  virtual bool Ask(const OwnQuestion& question) = 0;
};

// Shows real windows. Ask goes to the question window the program installed.
class SystemPrompt : public IUserPrompt {
public:
  int Box(const std::wstring& text, const std::wstring& caption, UINT flags) override;
  int OwnedBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) override;
  bool Ask(const OwnQuestion& question) override;
  void SetQuestionWindow(std::function<bool(const OwnQuestion&)> ask) { ask_ = std::move(ask); }

private:
  std::function<bool(const OwnQuestion&)> ask_;
};

// Answers from a script, in order; records everything that was asked. When the script has
// run out, Box answers with defaultBoxAnswer and Ask with
// defaultAskAnswer, and the shortfall is counted so a test can notice it.
class ScriptedPrompt : public IUserPrompt {
public:
  struct Record {
    enum class Kind { Box, Ask } kind;
    std::wstring text;
    std::wstring caption;
    UINT flags = 0;       // Box only
    Color color = 0;      // Ask only
    bool bold = false;    // Ask only
    HWND owner = nullptr; // OwnedBox only
  };

  void AnswerBox(int id) { boxAnswers_.push_back(id); }
  void AnswerAsk(bool ok) { askAnswers_.push_back(ok); }

  int Box(const std::wstring& text, const std::wstring& caption, UINT flags) override;
  int OwnedBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) override;
  bool Ask(const OwnQuestion& question) override;

  const std::vector<Record>& Asked() const noexcept { return asked_; }
  int Unanswered() const noexcept { return unanswered_; }

  int defaultBoxAnswer = IDCANCEL;
  bool defaultAskAnswer = false;

private:
  std::deque<int> boxAnswers_;
  std::deque<bool> askAnswers_;
  std::vector<Record> asked_;
  int unanswered_ = 0;
};

// The prompt in force for the program (a SystemPrompt unless a test installed another).
IUserPrompt& Prompt();
SystemPrompt& TheSystemPrompt();
// Installs a prompt for the life of the scope (tests).
class ScopedPrompt {
public:
  explicit ScopedPrompt(IUserPrompt& prompt);
  ~ScopedPrompt();
  ScopedPrompt(const ScopedPrompt&) = delete;
  ScopedPrompt& operator=(const ScopedPrompt&) = delete;

private:
  IUserPrompt* previous_;
};

}  // namespace ui
