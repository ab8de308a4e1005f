#include "remover.h"

#include <shlobj.h>

#include <algorithm>
#include <set>

#include "bramlow/actions/registry_root.h"
#include "bramlow/actions/uninstall_key.h"
#include "paths.h"
#include "program_entry.h"
#include "ui/handles.h"

namespace uninstall {
namespace {

constexpr wchar_t kUninstallKeys[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDriveRoot(const std::wstring& path) {
  std::wstring p = path;
  while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  return p.size() <= 2;
}

int Depth(const std::wstring& path) {
  return static_cast<int>(std::count_if(path.begin(), path.end(), [](wchar_t c) { return c == L'\\' || c == L'/'; }));
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
    if (SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) folders.insert(FoldedPath(path));
  }
  wchar_t temp[MAX_PATH];
  if (GetTempPathW(MAX_PATH, temp)) folders.insert(FoldedPath(temp));
  return folders;
}

// The program a key's UninstallString starts, without the quotes our installer puts around it.
std::wstring UninstallProgramOf(HKEY uninstallKeys, const std::wstring& name) {
  ui::RegKey key;
  if (RegOpenKeyExW(uninstallKeys, name.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
  wchar_t buffer[MAX_PATH * 2] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
  if (RegQueryValueExW(key.get(), L"UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  std::wstring text(buffer, wcsnlen(buffer, size / sizeof(wchar_t)));
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  text.erase(0, first);
  if (text[0] == L'"') {
    const size_t close = text.find(L'"', 1);
    return close == std::wstring::npos ? std::wstring() : text.substr(1, close - 1);
  }
  while (!text.empty() && text.back() == L' ') text.pop_back();
  return text;
}

}  // namespace

std::wstring FindOwnUninstallKey(const std::wstring& appName, const std::wstring& program) {
  ui::RegKey keys;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeys, 0, KEY_READ, keys.put()) != ERROR_SUCCESS) return {};
  auto startsUs = [&](const std::wstring& name) {
    const std::wstring started = UninstallProgramOf(keys.get(), name);
    return !started.empty() && SameFile(started, program);
  };
  if (!appName.empty()) {
    const std::wstring name = bramlow::UninstallKeyName(appName);
    return startsUs(name) ? name : std::wstring();
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    const LONG result = RegEnumKeyExW(keys.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) return {};
    if (startsUs(std::wstring(name, length))) return std::wstring(name, length);
  }
}

Remover::Remover(RemoverSettings settings) : settings_(std::move(settings)) {
  ownFolder_ = settings_.program.substr(0, settings_.program.find_last_of(L"\\/"));
}

RemovalReport Remover::Remove(const UninstallList& list) {
  RemovalReport report;
  RunPrograms(list, report);
  UnregisterServers(list, report);
  DeleteFiles(list, report);
  RemoveFolders(list, report);
  DeleteRegistryValues(list, report);
  DeleteUninstallEntry(list, report);
  return report;
}

void Remover::RunPrograms(const UninstallList& list, RemovalReport& report) {
  for (const auto& program : list.programs) {
    std::function<bool(DWORD)> keepWaiting;
    if (settings_.keepWaiting) keepWaiting = [&](DWORD waited) { return settings_.keepWaiting(program, waited); };
    if (RunProgramEntry(program, settings_.programWaitMs, keepWaiting) != ProgramOutcome::Ended)
      report.leftOver.push_back(program);
  }
}

void Remover::UnregisterServers(const UninstallList& list, RemovalReport& report) {
  // A server that was there before the installation (a shared control it only replaced) is
  // not listed under files; other programs still use it.
  std::set<std::wstring> created;
  for (const auto& file : list.files) created.insert(FoldedPath(file));
  for (const auto& server : list.servers) {
    if (!created.count(FoldedPath(server))) continue;
    if (!IsLocalFullPath(server)) { report.leftOver.push_back(server); continue; }
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
    if (!IsLocalFullPath(file)) { report.leftOver.push_back(file); continue; }
    DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;  // already gone
    // A read-only file was made so by someone on purpose: it is not cleared to be deleted.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) { report.leftOver.push_back(file); continue; }
    if (DeleteFileW(file.c_str())) ++report.removedFiles;
    else report.leftOver.push_back(file);
  }
}

void Remover::RemoveFolders(const UninstallList& list, RemovalReport& report) {
  // A shortcut group is listed once per shortcut: each folder once, children before parents.
  std::vector<std::wstring> folders;
  std::set<std::wstring> seen;
  for (const auto& folder : list.folders)
    if (seen.insert(FoldedPath(folder)).second) folders.push_back(folder);
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
  const std::set<std::wstring> shellFolders = ShellFolders();
  for (const auto& folder : folders) {
    if (!IsLocalFullPath(folder) || IsDriveRoot(folder)) { report.leftOver.push_back(folder); continue; }
    if (shellFolders.count(FoldedPath(folder))) continue;
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
}

void Remover::DeleteUninstallEntry(const UninstallList& list, RemovalReport& report) {
  // A key of the same name that starts another Uninstall.exe belongs to another installation
  // of the application (or was never written by this one): it stays, and is not ours to name.
  const std::wstring name = FindOwnUninstallKey(list.appName, settings_.program);
  if (name.empty()) return;
  const std::wstring key = std::wstring(kUninstallKeys) + L"\\" + name;
  LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) report.leftOver.push_back(L"HKEY_LOCAL_MACHINE\\" + key);
}

}  // namespace uninstall
