#include "self_uninstall.h"

#include <shellapi.h>

#include "kv_error.h"
#include "program_paths.h"
#include "registry_key.h"
#include "ui/handles.h"
#include "self_install.h"

namespace korvel {
namespace {

constexpr const wchar_t* kProgramFolderFiles[] = {L"reshacker.exe", L"reshacker.log",
                                                  L"reshacker.ini", L"license.rtf"};
constexpr const wchar_t* kShortcuts[] = {L"Korvel 1.0.lnk", L"UnInstall Korvel.lnk",
                                         L"Korvel on the Web.lnk", L"FeedBack.lnk",
                                         L"Other Software.lnk"};

std::string Ansi(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size > 0)
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
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
  const ui::RegKey folders = OpenRegKey(currentUser, kShellFoldersKeyPath);
  return ReadRegString(folders, L"Programs", 255).value_or(std::wstring());
}

UninstallPaths CurrentUninstallPaths(HKEY currentUser) {
  UninstallPaths paths;
  paths.programFile = ProgramFilePath();
  paths.programFolder = FolderPart(paths.programFile);
  paths.tempFolder = EnvironmentValue(L"TEMP");
  const std::wstring programs = ProgramsShellFolder(currentUser);
  // Without the user's "Programs" folder the group would be "\Korvel" at the root of
  // whatever drive is current: nothing of ours lives there.
  if (!programs.empty()) paths.startMenuGroup = programs + L"\\Korvel";
  return paths;
}

void RemoveProductFiles(const UninstallPaths& paths, HKEY localMachine) {
  if (!paths.programFolder.empty()) {
    for (const wchar_t* name : kProgramFolderFiles)
      DeleteFileW((paths.programFolder + name).c_str());
  }
  if (!paths.startMenuGroup.empty()) {
    for (const wchar_t* name : kShortcuts)
      DeleteFileW((paths.startMenuGroup + L"\\" + name).c_str());
    RemoveDirectoryW(paths.startMenuGroup.c_str());
  }
  RegDeleteKeyW(localMachine, kUninstallKeyPath);
}

std::string RemovalBatchText(const std::wstring& shortProgramFile) {
  const std::string file = BatchPath(Ansi(shortProgramFile));
  const std::string folder = BatchPath(Ansi(FolderPart(shortProgramFile)));
  return ":uninst\r\n"
         "del " + file + "\r\n"
         "if exist " + file + " goto uninst\r\n"
         "rd " + folder + "\r\n"
         "del kvun.bat\r\n";
}

std::wstring WriteRemovalBatch(const UninstallPaths& paths) {
  const std::wstring batch = paths.tempFolder + L"\\" + kRemovalBatchName;
  const std::string text = RemovalBatchText(ShortPath(paths.programFile));
  ui::FileHandle file(CreateFileW(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw EKvError(SystemErrorText(GetLastError()));
  DWORD written = 0;
  if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size())
    throw EKvError(SystemErrorText(GetLastError()));
  // Closing is where a full disk may show up first.
  if (!CloseHandle(file.release())) throw EKvError(SystemErrorText(GetLastError()));
  return batch;
}

void StartRemovalBatch(const std::wstring& batchFile, const std::wstring& tempFolder) {
  ShellExecuteW(nullptr, L"open", batchFile.c_str(), L"", tempFolder.c_str(), SW_HIDE);
}

}  // namespace korvel
