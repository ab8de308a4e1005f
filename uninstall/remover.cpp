#include "remover.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

#include "bramlow/actions/registry_root.h"
#include "bramlow/actions/uninstall_key.h"
#include "ui/handles.h"

namespace uninstall {
namespace {

// Only full paths: a relative entry would resolve against whatever the current folder is.
bool IsFullPath(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
  return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

bool IsDriveRoot(const std::wstring& path) {
  std::wstring p = path;
  while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  return p.size() <= 2;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int Depth(const std::wstring& path) {
  return static_cast<int>(std::count_if(path.begin(), path.end(), [](wchar_t c) { return c == L'\\' || c == L'/'; }));
}

std::wstring Folded(std::wstring path) {
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  return path;
}

// The shell's own folders. A shortcut's folder is recorded even when it is the common Startup
// or desktop folder; emptying it must not make the uninstaller remove it.
std::set<std::wstring> ShellFolders() {
  static const int kFolders[] = {
      CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS,
      CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_STARTUP, CSIDL_COMMON_STARTUP,
      CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON, CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_FONTS,
      CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS, CSIDL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA,
      CSIDL_TEMPLATES, CSIDL_COMMON_TEMPLATES, CSIDL_FAVORITES, CSIDL_COMMON_FAVORITES, CSIDL_SENDTO,
      CSIDL_RECENT, CSIDL_NETHOOD, CSIDL_PRINTHOOD, CSIDL_PROFILE, CSIDL_MYMUSIC, CSIDL_MYPICTURES};
  std::set<std::wstring> folders;
  for (int csidl : kFolders) {
    wchar_t path[MAX_PATH];
    if (SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) folders.insert(Folded(path));
  }
  wchar_t temp[MAX_PATH];
  if (GetTempPathW(MAX_PATH, temp)) folders.insert(Folded(temp));
  return folders;
}

}  // namespace

RemovalReport Remover::Remove(const UninstallList& list) {
  RemovalReport report;
  RunPrograms(list, report);
  UnregisterServers(list, report);
  DeleteFiles(list, report);
  RemoveFolders(list, report);
  DeleteRegistryValues(list, report);
  return report;
}

void Remover::RunPrograms(const UninstallList& list, RemovalReport& report) {
  for (const auto& program : list.programs) {
    std::wstring command = program;
    if (command.find(L' ') != std::wstring::npos && command.front() != L'"' && Exists(command))
      command = L"\"" + command + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
      report.leftOver.push_back(program);
      continue;
    }
    ui::KernelHandle thread(started.hThread);
    ui::ProcessHandle process(started.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
  }
}

void Remover::UnregisterServers(const UninstallList& list, RemovalReport& report) {
  for (const auto& server : list.servers) {
    if (!Exists(server)) continue;
    ui::ModuleHandle library(LoadLibraryW(server.c_str()));
    auto unregister = library.get()
        ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
              reinterpret_cast<void*>(GetProcAddress(library.get(), "DllUnregisterServer")))
        : nullptr;
    if (!unregister || FAILED(unregister())) report.leftOver.push_back(server);
  }
}

void Remover::DeleteFiles(const UninstallList& list, RemovalReport& report) {
  std::vector<std::wstring> files = list.files;
  files.push_back(ownFolder_ + L"\\Uninstall.ini");
  for (const auto& file : files) {
    if (!IsFullPath(file)) { report.leftOver.push_back(file); continue; }
    DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;  // already gone
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) { report.leftOver.push_back(file); continue; }
    if (attributes & FILE_ATTRIBUTE_READONLY)
      SetFileAttributesW(file.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileW(file.c_str())) ++report.removedFiles;
    else report.leftOver.push_back(file);
  }
}

void Remover::RemoveFolders(const UninstallList& list, RemovalReport& report) {
  // A shortcut group is listed once per shortcut: each folder once, children before parents.
  std::vector<std::wstring> folders;
  std::set<std::wstring> seen;
  for (const auto& folder : list.folders)
    if (seen.insert(Folded(folder)).second) folders.push_back(folder);
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
  const std::set<std::wstring> shellFolders = ShellFolders();
  for (const auto& folder : folders) {
    if (!IsFullPath(folder) || IsDriveRoot(folder)) { report.leftOver.push_back(folder); continue; }
    if (shellFolders.count(Folded(folder))) continue;
    if (!Exists(folder)) continue;
    // RemoveDirectory refuses a folder that still holds anything: the user's own files stay.
    if (RemoveDirectoryW(folder.c_str())) ++report.removedFolders;
    else report.leftOver.push_back(folder);
  }
}

void Remover::DeleteRegistryValues(const UninstallList& list, RemovalReport& report) {
  for (const auto& entry : list.registry) {
    ui::RegKey key;
    if (RegOpenKeyExW(bramlow::RootFromName(entry.root), entry.key.c_str(), 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                      key.put()) != ERROR_SUCCESS)
      continue;  // the key is gone, and the value with it
    LONG result = RegDeleteValueW(key.get(), entry.value.empty() ? nullptr : entry.value.c_str());
    if (result == ERROR_SUCCESS) ++report.removedValues;
    else if (result != ERROR_FILE_NOT_FOUND) report.leftOver.push_back(entry.root + L"\\" + entry.key + L"\\" + entry.value);
  }
  if (!list.appName.empty()) {
    std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + bramlow::UninstallKeyName(list.appName);
    LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
      report.leftOver.push_back(L"HKEY_LOCAL_MACHINE\\" + key);
  }
}

}  // namespace uninstall
