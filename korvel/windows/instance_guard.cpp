#include "korvel/windows/instance_guard.h"

#include "ui/application.h"
#include "ui/user_prompt.h"

namespace korvel {

bool TabfOneInstance::AnotherInstanceRuns(const std::wstring& title) {
  winbase::MutexHandle shortLock(::CreateMutexW(nullptr, TRUE, ShortLockName(title).c_str()));
  if (!shortLock || ::GetLastError() == ERROR_ALREADY_EXISTS) return true;

  instanceLock_.reset(::CreateMutexW(nullptr, FALSE, InstanceLockName(title).c_str()));
  // Acquired, or abandoned by an instance that ended without releasing it: ours now.
  bool running = ::WaitForSingleObject(instanceLock_.get(), 0) == WAIT_TIMEOUT;
  if (running) instanceLock_.reset();
  ::ReleaseMutex(shortLock.get());
  return running;
}

bool TabfOneInstance::Loaded(ui::Application& app, ui::IUserPrompt& prompt, HWND messageOwner) {
  if (!AnotherInstanceRuns(app.Title())) return true;

  bool showMain = app.ShowMainForm();
  app.SetShowMainForm(false);
  bool terminate = true;
  if (OnShowMessage) {
    OnShowMessage(*this, terminate);
  } else if (ShowMessage) {
    prompt.OwnedBox(messageOwner, Message, app.Title(), MB_OK | MB_ICONWARNING);
  }
  if (ActivatePrevInstance && !MainWindowClass.empty()) {
    BringForward(MainWindowClass, ::GetCurrentProcessId());
  }
  if (terminate) {
    app.Terminate();
    return false;
  }
  app.SetShowMainForm(showMain);
  return true;
}

namespace {
struct Search {
  const std::wstring* windowClass;
  DWORD ownProcessId;
  HWND found;
};

BOOL CALLBACK FindOtherInstance(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  wchar_t cls[256];
  if (!::GetClassNameW(hwnd, cls, 256) || s->windowClass->compare(cls) != 0) return TRUE;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->ownProcessId || !::IsWindowVisible(hwnd)) return TRUE;
  s->found = hwnd;
  return FALSE;
}
}  // namespace

bool TabfOneInstance::BringForward(const std::wstring& windowClass, DWORD ownProcessId) {
  Search s{&windowClass, ownProcessId, nullptr};
  ::EnumWindows(&FindOtherInstance, reinterpret_cast<LPARAM>(&s));
  if (!s.found) return false;
  if (::IsIconic(s.found))
    ::ShowWindow(s.found, SW_RESTORE);
  else
    ::SetForegroundWindow(s.found);
  return true;
}

}  // namespace korvel
