// The uninstaller's conversation with the user, apart from the message boxes themselves.
#pragma once

#include <string>

#include "remover.h"
#include "winbase/handles.h"

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

enum class Outcome { Removed, PartlyRemoved, IncompleteList, Declined, NoList, AlreadyRunning };

// One removal of a list at a time: held by the uninstaller that removes what the list in folder
// names, for as long as it lives. Named after what the folder is, not how it is spelt, so a
// second uninstaller started through a short name or another drive letter (or by the first
// one, as a program of its own list) finds it taken. Released at destruction.
class ListLock {
 public:
  explicit ListLock(const std::wstring& folder);
  // Another uninstaller holds it: this one must touch nothing.
  bool TakenElsewhere() const { return takenElsewhere_; }
  // The name all uninstallers of this folder use.
  static std::wstring NameFor(const std::wstring& folder);

 private:
  winbase::MutexHandle mutex_;
  bool takenElsewhere_ = false;
};

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
// files the system protects. While another uninstaller removes the same list, it says so and
// touches nothing (AlreadyRunning).
Outcome RunUninstall(const std::wstring& program, Dialogs& dialogs,
                     DWORD programWaitMs = kProgramWaitMs,
                     ProtectionQuery isProtected = SystemProtectsFile);

}  // namespace uninstall
