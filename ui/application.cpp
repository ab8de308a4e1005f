#include "ui/application.h"

#include <commctrl.h>

#include <cwctype>
#include <exception>
#include <algorithm>

#include "ui/form.h"
#include "winbase/module_path.h"
#include "winbase/text.h"

namespace ui {

Application& Application::Get() {
  static Application app;
  return app;
}

Application::Application() : title_(DefaultTitle(winbase::ProgramPath())) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&icc);
}

std::wstring Application::DefaultTitle(std::wstring_view programPath) {
  size_t slash = programPath.find_last_of(L"\\/:");
  std::wstring name(slash == std::wstring_view::npos ? programPath : programPath.substr(slash + 1));
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  if (name.size() > 1) {
    ::CharLowerBuffW(name.data() + 1, static_cast<DWORD>(name.size() - 1));
  }
  return name;
}

int Application::Run() {
  if (!terminated_ && mainForm_ && showMainForm_) mainForm_->Show();
  while (!terminated_) {
    MSG msg;
    BOOL r = ::GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0) { NoteQuit(static_cast<int>(msg.wParam)); break; }
    if (r == -1) break;
    DispatchOne(msg);
  }
  return exitCode_;
}

void Application::Terminate(int exitCode) {
  if (terminated_) return;
  terminated_ = true;
  exitCode_ = exitCode;
  // Also ends a loop of the system's (a message box's, a menu's) that runs at this moment.
  ::PostQuitMessage(exitCode);
}

void Application::ProcessPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      NoteQuit(static_cast<int>(msg.wParam));
      continue;
    }
    DispatchOne(msg);
  }
}

void Application::DispatchOne(MSG& msg) {
  if (msg.message == WM_QUIT) { NoteQuit(static_cast<int>(msg.wParam)); return; }
  if (IsDialogKey(msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

bool Application::IsDialogKey(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  auto* form = dynamic_cast<Form*>(Window::FromHandle(root));
  if (!form) return false;
  return ::IsDialogMessageW(root, &msg) != FALSE;
}

void Application::HandleException() noexcept {
  std::wstring text;
  try {
    throw;
  } catch (const winbase::Error& e) {
    text = e.Message();
  } catch (const std::exception& e) {
    text = winbase::WidenMessage(e.what());
  } catch (...) {
    text = L"Unknown error";
  }
  ShowError(text);
}

void Application::ShowError(const std::wstring& message) noexcept {
  try {
    if (errorHandler_) {
      errorHandler_(message);
      return;
    }
    ::MessageBoxW(ActiveOwner(), message.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
  } catch (...) {
    // The error handler itself failed: nothing sensible is left to tell the user.
  }
}

HWND Application::ActiveOwner() const noexcept {
  HWND active = ::GetActiveWindow();
  if (active && dynamic_cast<Form*>(Window::FromHandle(active))) return active;
  if (mainForm_ && mainForm_->Visible()) return mainForm_->Handle();
  return nullptr;
}

void Application::AddForm(Form* form) {
  forms_.push_back(form);
  if (!mainForm_) mainForm_ = form;
}

void Application::RemoveForm(Form* form) noexcept {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (mainForm_ == form) mainForm_ = nullptr;
}

}  // namespace ui
