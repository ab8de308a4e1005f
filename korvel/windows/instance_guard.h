// TabfOneInstance: keeps a second copy of the main window from running. Two named mutexes
// whose names start with the application title: a short lock that serialises the check of
// instances starting at the same moment, and the instance lock the first instance holds until
// it ends.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

#include "winbase/handles.h"

namespace ui {
class Application;
class IUserPrompt;
}  // namespace ui

namespace korvel {

class TabfOneInstance {
 public:
  // Published properties (component defaults).
  std::wstring Message;
  bool ShowMessage = false;
  bool ActivatePrevInstance = true;
  // When assigned it replaces the message box and may clear the terminate flag.
  std::function<void(TabfOneInstance& sender, bool& terminate)> OnShowMessage;

  // The window class of the main window a running instance shows: the one brought forward.
  std::wstring MainWindowClass;

  static std::wstring ShortLockName(const std::wstring& title) {
    return title + L".OneInstance.CriticalSection";
  }
  static std::wstring InstanceLockName(const std::wstring& title) {
    return title + L".OneInstance.Default";
  }

  // The mutex part of the check: true when another instance counts as running. On false this
  // object holds the instance lock until it is destroyed (for the program: until it ends).
  bool AnotherInstanceRuns(const std::wstring& title);

  // What runs when the component has been loaded: the check with the application's current
  // title, and for a second instance the message (owned by messageOwner, the application's
  // hidden main window), the running instance brought forward, the main form's showing
  // switched off and the application told to end. Returns true when start-up goes on.
  bool Loaded(ui::Application& app, ui::IUserPrompt& prompt, HWND messageOwner);

  // Brings a top-level window of the given class that belongs to another process forward:
  // restored when minimised, else made the foreground window. False when none was found.
  static bool BringForward(const std::wstring& windowClass, DWORD ownProcessId);

 private:
  winbase::MutexHandle instanceLock_;
};

}  // namespace korvel
