#include "korvel/self/self_uninstall.h"

#include <shellapi.h>

#include <optional>

#include "korvel/apply/editor_scratch.h"
#include "korvel/shared/kv_error.h"
#include "korvel/shared/message_text.h"
#include "korvel/shared/program_paths.h"
#include "korvel/self/registry_key.h"
#include "korvel/self/self_install.h"
#include "winbase/handles.h"
#include "winbase/module_path.h"
#include "winbase/text.h"

namespace korvel {
namespace {

constexpr const wchar_t* kProgramFolderFiles[] = {L"reshacker.exe", L"reshacker.log",
                                                  L"reshacker.ini", L"license.rtf"};
constexpr const wchar_t* kShortcuts[] = {L"Korvel 1.0.lnk", L"UnInstall Korvel.lnk",
                                         L"Korvel on the Web.lnk", L"FeedBack.lnk",
                                         L"Other Software.lnk"};

// Refuses what the code page cannot hold: a '?' in its place would be a wildcard to "del".
// No best fit either: "é" written as "e" would name another file just as wrongly.
std::string Oem(const std::wstring& text) {
  std::optional<std::string> oem = winbase::NarrowExactly(text, CP_OEMCP);
  if (!oem) throw EKvError(SystemErrorWording(ERROR_NO_UNICODE_TRANSLATION));
  return *std::move(oem);
}

// A path the command interpreter would split or expand (a folder with a space where the
// volume keeps no short names, or with "&" in its name) is quoted; any other stays as it is.
std::string BatchPath(const std::string& path) {
  if (path.find_first_of(" \t&|<>^%,;=\"") == std::string::npos) return path;
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"') continue;  // cannot occur in a file name
    quoted += c;
    if (c == '%') quoted += '%';
  }
  return quoted + "\"";
}

}  // namespace

std::wstring ProgramsShellFolder(HKEY currentUser) {
  const winbase::RegKey folders = OpenRegKey(currentUser, kShellFoldersKeyPath);
  return ReadRegString(folders, L"Programs", 255).value_or(std::wstring());
}

UninstallPaths CurrentUninstallPaths(HKEY currentUser) {
  UninstallPaths paths;
  paths.programFile = winbase::ProgramPath();
  paths.programFolder = FolderPart(paths.programFile);
  paths.tempFolder = EnvironmentValue(L"TEMP");
  const std::wstring programs = ProgramsShellFolder(currentUser);
  // Without the user's "Programs" folder the group would be "\Korvel" at the root of
  // whatever drive is current: nothing of ours lives there.
  if (!programs.empty()) paths.startMenuGroup = programs + L"\\Korvel";
  // Likewise "\system32\" of the current drive is not the system's.
  if (!EnvironmentValue(L"SystemRoot").empty()) paths.systemFolder = SystemFolder();
  return paths;
}

void RemoveProductFiles(const UninstallPaths& paths, HKEY localMachine) {
  if (!paths.programFolder.empty()) {
    for (const wchar_t* name : kProgramFolderFiles)
      DeleteFileW((paths.programFolder + name).c_str());
  }
  // logonkv.exe itself stays: Winlogon may still be pointed at it.
  if (!paths.systemFolder.empty()) RemoveEditorScratch(paths.systemFolder + kLogonHostCopy);
  if (!paths.startMenuGroup.empty()) {
    for (const wchar_t* name : kShortcuts)
      DeleteFileW((paths.startMenuGroup + L"\\" + name).c_str());
    RemoveDirectoryW(paths.startMenuGroup.c_str());
  }
  RegDeleteKeyW(localMachine, kUninstallKeyPath);
}

std::string RemovalBatchText(const std::wstring& shortProgramFile, int tries) {
  const std::string file = BatchPath(Oem(shortProgramFile));
  const std::string folder = BatchPath(Oem(FolderPart(shortProgramFile)));
  // Lines 1-5 are all that runs once the program has ended: the last of them deletes the batch,
  // and the interpreter stops at the next line it cannot read. One that keeps the whole text
  // (Wine's) stops at line 6. ping is the pause Windows XP has.
  return ":uninst\r\n"
         "del " +
         file +
         "\r\n"
         "if exist " +
         file +
         " goto wait\r\n"
         "rd " +
         folder +
         "\r\n"
         "del kvun.bat\r\n"
         "goto :eof\r\n"
         ":wait\r\n"
         "set /a kvtries+=1\r\n"
         "if %kvtries% lss " +
         std::to_string(tries) +
         " ping -n 2 127.0.0.1 >nul\r\n"
         "if %kvtries% lss " +
         std::to_string(tries) +
         " goto uninst\r\n"
         "del kvun.bat\r\n";
}

std::wstring WriteRemovalBatch(const UninstallPaths& paths) {
  const std::wstring batch = paths.tempFolder + L"\\" + kRemovalBatchName;
  const std::string text = RemovalBatchText(ShortPath(paths.programFile));
  winbase::FileHandle file(CreateFileW(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw EKvError(SystemErrorWording(GetLastError()));
  DWORD written = 0;
  if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size())
    throw EKvError(SystemErrorWording(GetLastError()));
  // Closing is where a full disk may show up first.
  if (!CloseHandle(file.release())) throw EKvError(SystemErrorWording(GetLastError()));
  return batch;
}

void StartRemovalBatch(const std::wstring& batchFile, const std::wstring& tempFolder) {
  ShellExecuteW(nullptr, L"open", batchFile.c_str(), L"", tempFolder.c_str(), SW_HIDE);
}

}  // namespace korvel
