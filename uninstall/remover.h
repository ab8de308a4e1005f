// Carries out an uninstall list: runs the application's own uninstall programs, unregisters
// its COM servers, deletes the files and (empty) folders it created and its registry values.
// It touches only what this installation created: a COM server only when the installation
// also created its file, a shortcut only while it still leads into the installation's folder,
// the system's uninstall entry only when it names this uninstaller; and never a network path
// outside its own folder, a path that climbs out of a folder, a read-only file, a folder that
// still holds anything, the system's own folders and files, or the system's vital registry keys.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "uninstall_list.h"

namespace uninstall {

struct RemovalReport {
  std::vector<std::wstring> leftOver;  // what could not be removed, one line each
  // The programs of the list that were still running when the removal stopped waiting for
  // them: also in leftOver (they keep the list for another try), but a log says what they are.
  std::vector<std::wstring> leftRunning;
  // The same as a list the uninstaller can be run with again: what stayed, with the list's
  // name and texts. Refused entries stay in it, as they were.
  UninstallList remaining;
  int removedFiles = 0;
  int removedFolders = 0;
  int removedValues = 0;
};

struct RemoverSettings {
  // Full path of the running Uninstall.exe; its folder holds the list ("Uninstall.ini").
  // The folder itself is left to the self-deleting batch, which runs after the program ends.
  std::wstring program;
  // How long a program of the list (or a server's unregistering) runs before the user is
  // asked whether to wait longer.
  DWORD programWaitMs = 60000;
  // Asked with the program's entry and how long it has run; true: wait another while.
  // Unset: a program that runs too long is left running.
  std::function<bool(const std::wstring& program, DWORD waitedMs)> keepWaiting;
};

class Remover {
 public:
  explicit Remover(RemoverSettings settings);
  // Removes what the list names; the system's uninstall entry only when nothing stayed, so
  // a partial removal can be tried again from the system's list of programs.
  RemovalReport Remove(const UninstallList& list);

 private:
  bool MayTouchPath(const std::wstring& path) const;
  bool MayTouchFile(const std::wstring& file, const UninstallList& list) const;
  bool MayTouchFolder(const std::wstring& folder, const UninstallList& list) const;
  bool ProgramEnded(const std::wstring& commandLine, const std::wstring& shownAs, DWORD* exitCode);
  void RunPrograms(const UninstallList& list, RemovalReport& report);
  void UnregisterServers(const UninstallList& list, RemovalReport& report);
  void DeleteFiles(const UninstallList& list, RemovalReport& report);
  void RemoveFolders(const UninstallList& list, RemovalReport& report);
  void DeleteRegistryValues(const UninstallList& list, RemovalReport& report);
  void DeleteUninstallEntry(const UninstallList& list, RemovalReport& report);

  RemoverSettings settings_;
  std::wstring ownFolder_;
  // Folders a removed file lay in, up to the own folder: emptied by the removal, they go too.
  std::vector<std::wstring> emptiedFolders_;
  // Folders of shortcuts kept because they now lead into another installation.
  std::vector<std::wstring> keptShortcutFolders_;
};

// The key of the system's list of installed programs that starts `program`: the one named
// after the application when there is a name, else any (an interrupted installation may
// have written the key but not the name). Empty when there is none.
std::wstring FindOwnUninstallKey(const std::wstring& appName, const std::wstring& program);

// A key no list may delete a value of: the machine's SYSTEM hive and the logon settings.
bool IsVitalRegistryKey(const std::wstring& root, const std::wstring& key);

// The file a shortcut (".lnk") leads to; empty when it is no shortcut or cannot be read.
std::wstring ShortcutTarget(const std::wstring& link);

}  // namespace uninstall
