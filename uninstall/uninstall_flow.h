// The uninstaller's conversation with the user, apart from the message boxes themselves.
#pragma once

#include <string>

#include "remover.h"

namespace uninstall {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual bool Confirm(const std::wstring& caption, const std::wstring& question) = 0;
  virtual void Inform(const std::wstring& caption, const std::wstring& text, bool isError) = 0;
  // Whether to wait longer for a program of the list that has not ended.
  virtual bool KeepWaiting(const std::wstring& caption, const std::wstring& question) {
    return Confirm(caption, question);
  }
  // What the removal did, before the user is told (the log takes it whole).
  virtual void Removed(const RemovalReport& report) { (void)report; }
  // A line for the log as the removal goes (what became of each program of the list).
  virtual void Note(const std::wstring& line) { (void)line; }
};

enum class Outcome { Removed, PartlyRemoved, IncompleteList, Declined, NoList };

// How long a program of the list may run before the user is asked whether to wait for it:
// long enough for a clean-up tool that asks the user something, short enough that a hung
// one is noticed.
inline constexpr DWORD kProgramWaitMs = 60000;

// Reads Uninstall.ini beside `program` (the running Uninstall.exe), asks, removes, and tells
// the user what could not be removed. A list an interrupted installation left is said to be
// incomplete, and only what it names is removed; it is never reported as a full removal.
// When something stayed that another run may remove, the list is rewritten to name just that,
// and the uninstaller with its entry in the system's list of programs stays for another try;
// otherwise the list goes (what was refused on principle is named, once). isProtected: which
// files the system protects.
Outcome RunUninstall(const std::wstring& program, Dialogs& dialogs,
                     DWORD programWaitMs = kProgramWaitMs,
                     ProtectionQuery isProtected = SystemProtectsFile);

}  // namespace uninstall
