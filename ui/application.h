// The application object: the program's title, its main form (the first form created; closing
// it ends the program), the message loop, ProcessPendingMessages and the general error handler.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "winbase/error.h"

namespace ui {

class Form;

class Application {
public:
  static Application& Get();

  // Default title: the program file's name without its extension, every letter after the
  // first lower-cased ("KORVEL.EXE" gives "KORVEL"[0] + "orvel").
  static std::wstring DefaultTitle(std::wstring_view programPath);

  const std::wstring& Title() const noexcept { return title_; }
  void SetTitle(std::wstring title) { title_ = std::move(title); }

  Form* MainForm() const noexcept { return mainForm_; }
  // Whether Run shows the main form (a refused start switches it off).
  bool ShowMainForm() const noexcept { return showMainForm_; }
  void SetShowMainForm(bool show) noexcept { showMainForm_ = show; }

  // Shows the main form (unless switched off) and handles messages until the main form
  // closes or Terminate is called. Returns the exit code.
  int Run();
  // Asks the message loop to end; Run returns as soon as it next looks.
  void Terminate(int exitCode = 0);
  bool Terminated() const noexcept { return terminated_; }
  // Lets a new loop run after an ended one (tests run several in one process).
  void ClearTerminated() noexcept { terminated_ = false; exitCode_ = 0; }

  // Handles every message waiting in the queue (for all windows of the thread) and returns
  // when none is left. A quit request found here is only noted: the loop that is running
  // ends when control gets back to it.
  void ProcessPendingMessages();

  // Call inside a catch block: shows the current exception through the error handler.
  void HandleException() noexcept;
  // The general error handler; the default shows a modal message box with the title as
  // caption and the error icon.
  void SetErrorHandler(std::function<void(const std::wstring&)> handler) { errorHandler_ = std::move(handler); }
  void ShowError(const std::wstring& message) noexcept;

  // The window that owns message boxes: the active form of this program, else the main form.
  HWND ActiveOwner() const noexcept;

  // Used by the message loops of this layer (Run, ShowModal).
  void DispatchOne(MSG& msg);
  void NoteQuit(int exitCode) noexcept { terminated_ = true; exitCode_ = exitCode; }

  // Forms report their creation and destruction; the first one becomes the main form.
  void AddForm(Form* form);
  void RemoveForm(Form* form) noexcept;
  const std::vector<Form*>& Forms() const noexcept { return forms_; }

private:
  Application();
  bool IsDialogKey(MSG& msg);

  std::wstring title_;
  Form* mainForm_ = nullptr;
  std::vector<Form*> forms_;
  bool showMainForm_ = true;
  bool terminated_ = false;
  int exitCode_ = 0;
  std::function<void(const std::wstring&)> errorHandler_;
};

// The toolkit operation long work calls between pieces (see Application::ProcessPendingMessages).
inline void ProcessPendingMessages() { Application::Get().ProcessPendingMessages(); }

}  // namespace ui
