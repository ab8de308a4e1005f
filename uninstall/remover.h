// Carries out an uninstall list: runs the application's own uninstall programs, unregisters
// its COM servers, deletes the files and (empty) folders it created and its registry values.
// It touches only what this installation created: a COM server only when the installation
// also created its file, a shortcut unless another installation of the application has
// written over it since, the system's uninstall entry only when it names this uninstaller; and
// never a network path outside its own folder, a name Windows would read as another one (a
// path that climbs out of a folder, a part ending in a dot or space), a read-only file, a folder
// that still holds anything, the files the system protects or configures itself with, the
// system's own folders, or the system's vital registry keys. Its own folder and program are
// told by what they are, not by how they are spelt (a short name, another drive letter).
//
// What stays is of two kinds. What another run may still remove (a file in use, an access
// denied, a program still running) is kept in the list for that run. What is refused on
// principle would be refused again by every run: it is named once and dropped from the list,
// so it never keeps the uninstaller and its entry alive.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "paths.h"
#include "uninstall_list.h"

namespace uninstall {

enum class Stay {
  Retry,    // kept in the list for another run: in use, access denied, read-only ...
  Running,  // a program of the list still running when the removal stopped waiting: kept
  Refused,  // refused on principle: named once, dropped from the list
};

struct LeftItem {
  std::wstring what;    // the path, registry value or command line
  std::wstring reason;  // why it stayed, as a log line gives it
  Stay stay = Stay::Retry;
};

struct RemovalReport {
  std::vector<LeftItem> leftOver;  // everything that stayed, in the order met
  // What another run may still remove, as a list the uninstaller can be run with again: with
  // the list's name and texts, without what was refused on principle.
  UninstallList remaining;
  int removedFiles = 0;
  int removedFolders = 0;
  int removedValues = 0;
  // Something stayed that another run may remove: the list, the uninstaller and its entry stay.
  bool KeepsList() const;
};

// Whether the system protects a file as one of its own (asked of the system where it can say).
using ProtectionQuery = std::function<bool(const std::wstring& file)>;

// The system's own answer: SfcIsFileProtected of the system folder's sfc.dll, loaded when it is
// asked (Windows XP has it; a system without it protects nothing this way).
bool SystemProtectsFile(const std::wstring& file);

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
  // Asked about each file outside the uninstaller's own folder before it is deleted.
  ProtectionQuery isProtected = SystemProtectsFile;
  // Told, as it happens, what became of each program of the list (a log takes it).
  std::function<void(const std::wstring& line)> note;
};

class Remover {
 public:
  explicit Remover(RemoverSettings settings);
  // Removes what the list names; the system's uninstall entry only when nothing stayed that
  // another run could remove, so a partial removal can be tried again from the system's list
  // of programs.
  RemovalReport Remove(const UninstallList& list);

 private:
  std::wstring PathRefusal(const std::wstring& path) const;
  std::wstring FileRefusal(const std::wstring& file);
  std::wstring FolderRefusal(const std::wstring& folder, const UninstallList& list);
  bool BelongsToAnotherInstallation(const std::wstring& link, const UninstallList& list);
  bool IsOwnFolder(const std::wstring& folder);
  bool IsInOwnFolder(const std::wstring& path);
  bool StartsTheUninstaller(const std::wstring& entry) const;
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
  // Folders of shortcuts kept because another installation of the application owns them now.
  std::vector<std::wstring> keptShortcutFolders_;
  FolderIdentities identities_;
};

// The key of the system's list of installed programs that starts `program`: the one named
// after the application when there is a name, else any (an interrupted installation may
// have written the key but not the name). Empty when there is none.
std::wstring FindOwnUninstallKey(const std::wstring& appName, const std::wstring& program);

// A key no list may delete a value of: the machine's SYSTEM hive (HKEY_CURRENT_CONFIG is a part
// of it) and the logon settings, also under HKEY_USERS and in the 32-bit programs' view.
bool IsVitalRegistryKey(const std::wstring& root, const std::wstring& key);

// One of the files the system configures itself or starts with (win.ini, system.ini, boot.ini
// and the like in the Windows or system folder or a drive's root, the registry's own files),
// however its folder is spelt. identities: the folders looked at so far.
bool IsSystemConfigurationFile(const std::wstring& file);
bool IsSystemConfigurationFile(const std::wstring& file, FolderIdentities& identities);

// The file a shortcut (".lnk") leads to; empty when it is no shortcut or cannot be read.
std::wstring ShortcutTarget(const std::wstring& link);

}  // namespace uninstall
