// Carries out an uninstall list: runs the application's own uninstall programs, unregisters
// its COM servers, deletes the files and (empty) folders it created and its registry values.
// It touches only what the list names and never removes a folder that still holds anything.
#pragma once

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

class Remover {
 public:
  // `ownFolder` is the folder of Uninstall.exe (no trailing backslash): the list itself
  // ("Uninstall.ini") is removed with everything else.
  explicit Remover(std::wstring ownFolder) : ownFolder_(std::move(ownFolder)) {}
  RemovalReport Remove(const UninstallList& list);

 private:
  void RunPrograms(const UninstallList& list, RemovalReport& report);
  void UnregisterServers(const UninstallList& list, RemovalReport& report);
  void DeleteFiles(const UninstallList& list, RemovalReport& report);
  void RemoveFolders(const UninstallList& list, RemovalReport& report);
  void DeleteRegistryValues(const UninstallList& list, RemovalReport& report);

  std::wstring ownFolder_;
};

}  // namespace uninstall
