#include "remover.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <set>

#include "bramlow/actions/entries/registry_root.h"
#include "bramlow/actions/entries/uninstall_key.h"
#include "paths.h"
#include "program_entry.h"
#include "winbase/handles.h"

namespace uninstall {
namespace {

constexpr wchar_t kUninstallKeys[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Whether a path is there. Only "no such file" and "no such folder" mean it is gone: any
// other failure (a name the file system cannot hold, a denied access) leaves it in doubt.
enum class Presence { There, Gone, Unknown };
Presence PresenceOf(const std::wstring& path, DWORD* attributes) {
  *attributes = GetFileAttributesW(path.c_str());
  if (*attributes != INVALID_FILE_ATTRIBUTES) return Presence::There;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Presence::Gone : Presence::Unknown;
}

bool IsDriveRoot(const std::wstring& path) {
  std::wstring p = path;
  while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  return p.size() <= 2;
}

int Depth(const std::wstring& path) {
  return static_cast<int>(std::count_if(path.begin(), path.end(), [](wchar_t c) { return c == L'\\' || c == L'/'; }));
}

std::wstring ParentOf(const std::wstring& path) {
  const size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? std::wstring() : path.substr(0, at);
}

bool InSystemArea(const std::wstring& path) {
  return IsAtOrBelow(path, WindowsFolder()) || IsAtOrBelow(path, SystemFolder());
}

bool EndsWithNoCase(const std::wstring& text, const wchar_t* end) {
  const size_t n = wcslen(end);
  return text.size() >= n && _wcsicmp(text.c_str() + text.size() - n, end) == 0;
}

std::set<std::wstring> FoldedSet(const std::vector<std::wstring>& paths) {
  std::set<std::wstring> folded;
  for (const auto& path : paths) folded.insert(FoldedPath(path));
  return folded;
}

// The program a key's UninstallString starts, without the quotes our installer puts around it.
std::wstring UninstallProgramOf(HKEY uninstallKeys, const std::wstring& name) {
  winbase::RegKey key;
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
  winbase::RegKey keys;
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

bool IsVitalRegistryKey(const std::wstring& root, const std::wstring& key) {
  std::wstring folded = key;
  while (!folded.empty() && folded.front() == L'\\') folded.erase(0, 1);
  while (!folded.empty() && folded.back() == L'\\') folded.pop_back();
  if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  if (bramlow::RootFromName(root) == HKEY_LOCAL_MACHINE &&
      (folded == L"SYSTEM" || folded.rfind(L"SYSTEM\\", 0) == 0))
    return true;
  // The shell and the programs started at logon: a wrong deletion there leaves no desktop.
  return folded == L"SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON";
}

std::wstring ShortcutTarget(const std::wstring& link) {
  winbase::ComInit com;
  winbase::ComPtr<IShellLinkW> shortcut;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shortcut.put_void())))
    return {};
  winbase::ComPtr<IPersistFile> file;
  if (FAILED(shortcut->QueryInterface(IID_IPersistFile, file.put_void())) ||
      FAILED(file->Load(link.c_str(), STGM_READ)))
    return {};
  wchar_t target[MAX_PATH] = {};
  if (FAILED(shortcut->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) return {};
  return target;
}

Remover::Remover(RemoverSettings settings) : settings_(std::move(settings)) {
  ownFolder_ = ParentOf(settings_.program);
}

bool Remover::MayTouchPath(const std::wstring& path) const {
  if (!HasNoDotParts(path)) return false;
  if (IsLocalFullPath(path)) return true;
  // Installed on a network share, the uninstaller runs from there and may remove what lies
  // in its own folder; nothing else over the network, nor any "\\?\" or "\\.\" name.
  return IsNetworkPath(path) && path.size() > 2 && path[2] != L'?' && path[2] != L'.' &&
         IsNetworkPath(ownFolder_) && IsAtOrBelow(path, ownFolder_);
}

// In the Windows folder a hand-edited or damaged list could name any of the system's files;
// there only a server this installation copied and registered, or a file in a folder it
// made, is its own.
bool Remover::MayTouchFile(const std::wstring& file, const UninstallList& list) const {
  if (!MayTouchPath(file)) return false;
  if (!InSystemArea(file)) return true;
  const std::wstring folded = FoldedPath(file);
  for (const auto& server : list.servers)
    if (FoldedPath(server) == folded) return true;
  const std::wstring folder = ParentOf(file);
  for (const auto& listed : list.folders)
    if (SameFile(listed, folder) && MayTouchFolder(listed, list)) return true;
  return false;
}

// A folder in the Windows folder is the installation's only when it put files of its own there.
bool Remover::MayTouchFolder(const std::wstring& folder, const UninstallList& list) const {
  if (!MayTouchPath(folder) || IsDriveRoot(folder)) return false;
  if (!InSystemArea(folder)) return true;
  if (IsProtectedFolder(folder)) return false;
  const std::wstring folded = FoldedPath(folder);
  for (const auto& file : list.files)
    if (IsAtOrBelow(file, folder) && FoldedPath(file) != folded) return true;
  return false;
}

RemovalReport Remover::Remove(const UninstallList& list) {
  RemovalReport report;
  report.remaining.appName = list.appName;
  report.remaining.linkText = list.linkText;
  report.remaining.linkUrl = list.linkUrl;
  std::copy(std::begin(list.texts), std::end(list.texts), std::begin(report.remaining.texts));
  report.remaining.found = report.remaining.complete = true;
  emptiedFolders_.clear();
  keptShortcutFolders_.clear();

  RunPrograms(list, report);
  UnregisterServers(list, report);
  DeleteFiles(list, report);
  RemoveFolders(list, report);
  DeleteRegistryValues(list, report);
  if (report.leftOver.empty()) DeleteUninstallEntry(list, report);
  return report;
}

bool Remover::ProgramEnded(const std::wstring& commandLine, const std::wstring& shownAs, DWORD* exitCode) {
  std::function<bool(DWORD)> keepWaiting;
  if (settings_.keepWaiting) keepWaiting = [&](DWORD waited) { return settings_.keepWaiting(shownAs, waited); };
  return RunProgramEntry(commandLine, settings_.programWaitMs, keepWaiting, exitCode) == ProgramOutcome::Ended;
}

void Remover::RunPrograms(const UninstallList& list, RemovalReport& report) {
  for (const auto& program : list.programs) {
    if (ProgramEnded(program, program, nullptr)) continue;
    report.leftOver.push_back(program);
    report.leftRunning.push_back(program);
    report.remaining.programs.push_back(program);
  }
}

void Remover::UnregisterServers(const UninstallList& list, RemovalReport& report) {
  // A server that was there before the installation (a shared control it only replaced) is
  // not listed under files; other programs still use it.
  const std::set<std::wstring> created = FoldedSet(list.files);
  // The server's code runs in a process of its own: one that never returns from its
  // unregistering cannot hang the uninstaller, and the user decides how long to wait for it.
  const std::wstring unregister = L"\"" + SystemFolder() + L"\\regsvr32.exe\" /u /s \"";
  for (const auto& server : list.servers) {
    if (!created.count(FoldedPath(server))) continue;
    DWORD attributes = 0, exitCode = 0;
    bool done = false;
    if (MayTouchFile(server, list)) {
      const Presence presence = PresenceOf(server, &attributes);
      done = presence == Presence::Gone ||
             (presence == Presence::There && ProgramEnded(unregister + server + L"\"", server, &exitCode) &&
              exitCode == 0);
    }
    if (done) continue;
    report.leftOver.push_back(server);
    report.remaining.servers.push_back(server);
  }
}

void Remover::DeleteFiles(const UninstallList& list, RemovalReport& report) {
  // A server that is still registered keeps its file, or the registration would point at
  // nothing; it is named once, as a server.
  const std::set<std::wstring> registered = FoldedSet(report.remaining.servers);
  for (const auto& file : list.files) {
    auto keep = [&] {
      report.leftOver.push_back(file);
      report.remaining.files.push_back(file);
    };
    if (registered.count(FoldedPath(file))) {
      report.remaining.files.push_back(file);
      continue;
    }
    if (!MayTouchFile(file, list)) { keep(); continue; }
    if (SameFile(file, settings_.program)) continue;  // the self-deleting batch removes it
    DWORD attributes = 0;
    const Presence presence = PresenceOf(file, &attributes);
    if (presence == Presence::Gone) continue;
    // A read-only file was made so by someone on purpose: it is not cleared to be deleted.
    if (presence == Presence::Unknown || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
      keep();
      continue;
    }
    // A shortcut the same application's installation elsewhere has written over since
    // leads there now: it is that installation's.
    if (EndsWithNoCase(file, L".lnk")) {
      const std::wstring target = ShortcutTarget(file);
      if (target.empty() || !IsAtOrBelow(target, ownFolder_)) {
        keptShortcutFolders_.push_back(FoldedPath(ParentOf(file)));
        continue;
      }
    }
    if (!DeleteFileW(file.c_str())) { keep(); continue; }
    ++report.removedFiles;
    for (std::wstring folder = ParentOf(file); IsAtOrBelow(folder, ownFolder_) && !SameFile(folder, ownFolder_);
         folder = ParentOf(folder))
      emptiedFolders_.push_back(folder);
  }
}

void Remover::RemoveFolders(const UninstallList& list, RemovalReport& report) {
  // A shortcut group is listed once per shortcut: each folder once, children before parents.
  // Then the folders a removed file lay in, which the list may not name.
  std::vector<std::wstring> folders;
  std::set<std::wstring> seen;
  for (const auto& folder : list.folders)
    if (seen.insert(FoldedPath(folder)).second) folders.push_back(folder);
  for (const auto& folder : emptiedFolders_)
    if (seen.insert(FoldedPath(folder)).second) folders.push_back(folder);
  std::stable_sort(folders.begin(), folders.end(),
                   [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
  const std::set<std::wstring> shellFolders = ShellFolders();
  const std::set<std::wstring> keptShortcuts(keptShortcutFolders_.begin(), keptShortcutFolders_.end());
  for (const auto& folder : folders) {
    auto keep = [&] {
      report.leftOver.push_back(folder);
      report.remaining.folders.push_back(folder);
    };
    if (!MayTouchFolder(folder, list)) { keep(); continue; }
    // The running program's own folder can only go after it: the batch removes it.
    if (SameFile(folder, ownFolder_)) continue;
    if (shellFolders.count(FoldedPath(folder)) || IsProtectedFolder(folder)) continue;
    DWORD attributes = 0;
    const Presence presence = PresenceOf(folder, &attributes);
    if (presence == Presence::Gone) continue;
    // RemoveDirectory refuses a folder that still holds anything: the user's own files stay.
    if (presence == Presence::There && RemoveDirectoryW(folder.c_str())) {
      ++report.removedFolders;
      continue;
    }
    // What holds it is another installation's shortcut, which is not ours to name.
    if (keptShortcuts.count(FoldedPath(folder))) continue;
    keep();
  }
}

void Remover::DeleteRegistryValues(const UninstallList& list, RemovalReport& report) {
  for (const auto& entry : list.registry) {
    auto keep = [&] {
      report.leftOver.push_back(entry.root + L"\\" + entry.key + L"\\" + entry.value);
      report.remaining.registry.push_back(entry);
    };
    if (IsVitalRegistryKey(entry.root, entry.key)) { keep(); continue; }
    winbase::RegKey key;
    if (RegOpenKeyExW(bramlow::RootFromName(entry.root), entry.key.c_str(), 0, KEY_SET_VALUE | KEY_QUERY_VALUE,
                      key.put()) != ERROR_SUCCESS)
      continue;  // the key is gone, and the value with it
    LONG result = RegDeleteValueW(key.get(), entry.value.empty() ? nullptr : entry.value.c_str());
    if (result == ERROR_SUCCESS) ++report.removedValues;
    else if (result != ERROR_FILE_NOT_FOUND) keep();
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
