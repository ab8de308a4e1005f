// Korvel's removal ("/2", "/3"): its helper files, shortcuts and uninstall entry go at once;
// the program file and its folder go through a batch file that runs on after the program ends.
#pragma once

#include <windows.h>

#include <string>

namespace korvel {

inline constexpr wchar_t kRemovalBatchName[] = L"kvun.bat";
inline constexpr wchar_t kShellFoldersKeyPath[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct UninstallPaths {
  std::wstring programFile;     // full path, long form
  std::wstring programFolder;   // with its trailing backslash
  std::wstring tempFolder;      // TEMP, without a trailing backslash
  std::wstring startMenuGroup;  // "Programs" shell folder + "\Korvel"; empty when unknown
  std::wstring systemFolder;    // with its trailing backslash; empty when unknown
};

// The start-menu "Programs" folder as the shell records it for the user (at most 255
// characters); empty when the key or value is missing or longer.
std::wstring ProgramsShellFolder(HKEY currentUser = HKEY_CURRENT_USER);

// The paths of the running program.
UninstallPaths CurrentUninstallPaths(HKEY currentUser = HKEY_CURRENT_USER);

// Deletes the resource editor's files and the licence beside the program, the scratch file a
// stopped editor left beside logonkv.exe, the shortcuts and the start-menu group when it is
// left empty, and the uninstall entry under localMachine.
// Every failure is ignored: most of these are missing after a refused installation.
void RemoveProductFiles(const UninstallPaths& paths, HKEY localMachine = HKEY_LOCAL_MACHINE);

// How often the batch tries to delete the program file, about a second apart, before it
// gives up and removes only itself.
inline constexpr int kRemovalBatchTries = 60;

// The batch text (OEM code page, the one the command interpreter reads batch files in; CR LF
// after every line) that deletes the program file once its process has ended, removes the
// folder if empty and then itself. shortProgramFile is the program file's short path. When the
// program has ended by the first try only the first five lines run; otherwise each further try
// follows a pause, and after `tries` tries the batch gives up. An EKvError with the system's
// text when the path has a character the OEM code page lacks (the batch could not name it).
std::string RemovalBatchText(const std::wstring& shortProgramFile, int tries = kRemovalBatchTries);

// Writes tempFolder + "\kvun.bat" for the program file and returns its path; an EKvError with
// the system's error text when it cannot be written.
std::wstring WriteRemovalBatch(const UninstallPaths& paths);

// Runs the batch hidden from the temporary folder (its last line deletes "kvun.bat" there).
void StartRemovalBatch(const std::wstring& batchFile, const std::wstring& tempFolder);

}  // namespace korvel
