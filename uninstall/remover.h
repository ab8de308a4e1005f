// Carries out an uninstall list: runs the application's own uninstall programs, unregisters
// its COM servers, deletes the files and (empty) folders it created and its registry values.
// It touches only what this installation created: a COM server only when the installation
// also created its file, the system's uninstall entry only when it names this uninstaller,
// nothing on a network path, no read-only file, and never a folder that still holds anything.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "uninstall_list.h"

namespace uninstall {

struct RemovalReport {
  std::vector<std::wstring> leftOver;  // what could not be removed, one line each
  int removedFiles = 0;
  int removedFolders = 0;
  int removedValues = 0;
};

struct RemoverSettings {
  // Full path of the running Uninstall.exe; its folder holds the list ("Uninstall.ini"),
  // which is removed with everything else.
  std::wstring program;
  // How long a program of the list runs before the user is asked whether to wait longer.
  DWORD programWaitMs = 60000;
  // Asked with the program's entry and how long it has run; true: wait another while.
  // Unset: a program that runs too long is left running.
  std::function<bool(const std::wstring& program, DWORD waitedMs)> keepWaiting;
};

class Remover {
 public:
  explicit Remover(RemoverSettings settings);
  RemovalReport Remove(const UninstallList& list);

 private:
  void RunPrograms(const UninstallList& list, RemovalReport& report);
  void UnregisterServers(const UninstallList& list, RemovalReport& report);
  void DeleteFiles(const UninstallList& list, RemovalReport& report);
  void RemoveFolders(const UninstallList& list, RemovalReport& report);
  void DeleteRegistryValues(const UninstallList& list, RemovalReport& report);
  void DeleteUninstallEntry(const UninstallList& list, RemovalReport& report);

  RemoverSettings settings_;
  std::wstring ownFolder_;
};

// The key of the system's list of installed programs that starts `program`: the one named
// after the application when there is a name, else any (an interrupted installation may
// have written the key but not the name). Empty when there is none.
std::wstring FindOwnUninstallKey(const std::wstring& appName, const std::wstring& program);

}  // namespace uninstall
