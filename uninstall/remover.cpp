#include "remover.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <optional>
#include <set>

#include "bramlow/actions/entries/registry_root.h"
#include "bramlow/actions/entries/shortcut.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/actions/entries/uninstall_key.h"
#include "paths.h"
#include "program_entry.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace uninstall {
namespace {

using bramlow::ReasonText;

constexpr wchar_t kUninstallKeys[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Whether a path is there. Only "no such file" and "no such folder" mean it is gone: any
// other failure (a denied access) leaves it in doubt, and a name no file system can hold
// names nothing the installation made.
enum class Presence { There, Gone, Unknown, BadName };
Presence PresenceOf(const std::wstring& path, DWORD* attributes, DWORD* error) {
  *attributes = GetFileAttributesW(path.c_str());
  *error = 0;
  if (*attributes != INVALID_FILE_ATTRIBUTES) return Presence::There;
  *error = GetLastError();
  if (*error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND) return Presence::Gone;
  // A path through a file ("readme.txt\\x") names nothing any run finds either.
  return *error == ERROR_INVALID_NAME || *error == ERROR_BAD_PATHNAME ||
                 *error == ERROR_FILENAME_EXCED_RANGE || *error == ERROR_DIRECTORY
             ? Presence::BadName
             : Presence::Unknown;
}

bool IsDriveRoot(const std::wstring& path) {
  std::wstring p = path;
  while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  return p.size() <= 2;
}

int Depth(const std::wstring& path) {
  return static_cast<int>(
      std::count_if(path.begin(), path.end(), [](wchar_t c) { return c == L'\\' || c == L'/'; }));
}

std::wstring ParentOf(const std::wstring& path) {
  const size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? std::wstring() : path.substr(0, at);
}

bool InSystemArea(const std::wstring& path) {
  return IsAtOrBelow(path, WindowsFolder()) || IsAtOrBelow(path, SystemFolder());
}

std::wstring LastPart(const std::wstring& path) {
  const size_t at = path.find_last_of(L"\\/");
  return at == std::wstring::npos ? path : path.substr(at + 1);
}

// The application an uninstall list in folder belongs to; nothing when there is no list.
std::optional<std::wstring> ListedApplication(const std::wstring& folder) {
  const std::wstring list = folder + L"\\Uninstall.ini";
  if (GetFileAttributesW(list.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  wchar_t name[1024] = {};
  GetPrivateProfileStringW(L"uninstall", L"AppName", L"", name, 1024, list.c_str());
  return std::wstring(name);
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                        b.c_str(), static_cast<int>(b.size())) == CSTR_EQUAL;
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

// A start that failed for a passing reason: the program file is in use or being scanned, the
// system is short of memory. Another run may start it.
bool IsPassingStartFailure(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED || error == ERROR_NOT_ENOUGH_MEMORY ||
         error == ERROR_OUTOFMEMORY || error == ERROR_NO_SYSTEM_RESOURCES;
}

// The file is no image this system loads, whoever asks, however often.
bool IsImageFormatError(DWORD error) {
  return error == ERROR_BAD_EXE_FORMAT || error == ERROR_BAD_FORMAT ||
         error == ERROR_INVALID_EXE_SIGNATURE || error == ERROR_EXE_MARKED_INVALID ||
         error == ERROR_EXE_MACHINE_TYPE_MISMATCH;
}

// The file begins as every program image does ("MZ"); false when it cannot be read.
bool StartsAsAnImage(const std::wstring& file) {
  winbase::FileHandle opened(CreateFileW(file.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
  char head[2] = {};
  DWORD read = 0;
  return opened && ReadFile(opened.get(), head, 2, &read, nullptr) && read == 2 && head[0] == 'M' &&
         head[1] == 'Z';
}

// Why no run can ever undo a server's registration: its file is no library this system loads,
// or has no DllUnregisterServer (so it registered nothing either). Mapped without running any
// of its code. Empty when it can be tried, or when that cannot be told now (a file in use).
std::wstring WhyNeverUnregistered(const std::wstring& server) {
  const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  winbase::ModuleHandle module(
      LoadLibraryExW(server.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  const DWORD error = module ? 0 : GetLastError();
  SetErrorMode(mode);
  // A program image all the same (a server of the other word size, which the system's
  // regsvr32 hands on to its other self): only the system can tell.
  if (!module)
    return IsImageFormatError(error) && !StartsAsAnImage(server)
               ? L"not a library this system can load: " + ReasonText(error, server)
               : std::wstring();
  if (!GetProcAddress(module.get(), "DllUnregisterServer"))
    return L"the library has no DllUnregisterServer";
  return {};
}

// Why a registry entry of the list names no value an installation can have made; empty when
// it may. A key with an empty part ("Software\\\\Example", a leading or trailing "\\") is no
// key the registry knows by that name, and would slip past the names it is checked against.
std::wstring RegistryRefusal(const RegistryValue& entry) {
  if (!winbase::FitsCodePage(entry.root + entry.key + entry.value))
    return L"a character the ANSI code page cannot hold";
  const HKEY root = bramlow::RootFromName(entry.root);
  if (root == HKEY_PERFORMANCE_DATA || root == HKEY_DYN_DATA)
    return L"a root that holds no values of an installation";
  size_t start = 0;
  while (true) {
    const size_t end = entry.key.find(L'\\', start);
    const size_t length = (end == std::wstring::npos ? entry.key.size() : end) - start;
    if (length == 0) return L"a key name with an empty part";
    if (length > 255) return L"a key name longer than the registry allows";
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  if (entry.value.size() > 16383) return L"a value name longer than the registry allows";
  if (IsVitalRegistryKey(entry.root, entry.key)) return L"a key the system itself needs";
  return {};
}

// A registry answer about the name asked for, not about the moment: every run gets it again.
bool IsRegistryNameError(LONG result) {
  return result == ERROR_BAD_PATHNAME || result == ERROR_INVALID_PARAMETER ||
         result == ERROR_INVALID_HANDLE || result == ERROR_INVALID_NAME ||
         result == ERROR_FILENAME_EXCED_RANGE;
}

// The program a key's UninstallString starts, without the quotes our installer puts around it.
std::wstring UninstallProgramOf(HKEY uninstallKeys, const std::wstring& name) {
  winbase::RegKey key;
  if (RegOpenKeyExW(uninstallKeys, name.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return {};
  wchar_t buffer[MAX_PATH * 2] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
  if (RegQueryValueExW(key.get(), L"UninstallString", nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
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
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeys, 0, KEY_READ, keys.put()) != ERROR_SUCCESS)
    return {};
  auto startsUs = [&](const std::wstring& name) {
    const std::wstring started = UninstallProgramOf(keys.get(), name);
    return !started.empty() &&
           (SameFile(started, program) || winbase::SameFileObject(started, program));
  };
  if (!appName.empty()) {
    const std::wstring name = bramlow::UninstallKeyName(appName);
    if (startsUs(name)) return name;
  }
  // Without a name (an interrupted installation may have written the key but not the name), or
  // a name the list could not hold as it was: the key that starts this very program.
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    const LONG result =
        RegEnumKeyExW(keys.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) return {};
    if (startsUs(std::wstring(name, length))) return std::wstring(name, length);
  }
}

bool SystemProtectsFile(const std::wstring& file) {
  using IsProtected = BOOL(WINAPI*)(HANDLE, LPCWSTR);
  // From the system folder only: a library of that name beside the uninstaller is not the system.
  static const IsProtected ask = [] {
    HMODULE sfc = LoadLibraryW((SystemFolder() + L"\\sfc.dll").c_str());
    return sfc ? reinterpret_cast<IsProtected>(
                     reinterpret_cast<void*>(GetProcAddress(sfc, "SfcIsFileProtected")))
               : nullptr;
  }();
  return ask && ask(nullptr, file.c_str());
}

bool IsSystemConfigurationFile(const std::wstring& file) {
  FolderIdentities identities;
  return IsSystemConfigurationFile(file, identities);
}

bool IsSystemConfigurationFile(const std::wstring& file, FolderIdentities& identities) {
  static const wchar_t* const kNames[] = {
      L"WIN.INI",      L"SYSTEM.INI",  L"CONTROL.INI",  L"PROTOCOL.INI", L"BOOT.INI",
      L"CONFIG.SYS",   L"CONFIG.NT",   L"AUTOEXEC.BAT", L"AUTOEXEC.NT",  L"MSDOS.SYS",
      L"IO.SYS",       L"NTLDR",       L"NTDETECT.COM", L"BOOTMGR",      L"BOOTFONT.BIN",
      L"PAGEFILE.SYS", L"HIBERFIL.SYS"};
  const std::wstring path = LongPath(file);
  const std::wstring system = SystemFolder();
  const std::wstring folder = ParentOf(path);
  // The registry's own files and the names the network is configured with, also through
  // another drive letter or a folder link that leads there.
  for (const std::wstring& own : {system + L"\\config", system + L"\\drivers\\etc"}) {
    if (IsAtOrBelow(path, own)) return true;
    const auto identity = identities.Of(own);
    if (identity && identities.IsAtOrBelow(folder, *identity)) return true;
  }
  auto isFolder = [&](const std::wstring& own) {
    if (SameFile(folder, own)) return true;
    const auto identity = identities.Of(own);
    return identity && identities.Of(folder) == identity;
  };
  if (!IsDriveRoot(folder) && !isFolder(WindowsFolder()) && !isFolder(system)) return false;
  const std::wstring name = FoldedPath(LastPart(path));
  return std::any_of(std::begin(kNames), std::end(kNames),
                     [&](const wchar_t* n) { return name == n; });
}

bool IsVitalRegistryKey(const std::wstring& root, const std::wstring& key) {
  std::wstring folded = key;
  while (!folded.empty() && folded.front() == L'\\') folded.erase(0, 1);
  while (!folded.empty() && folded.back() == L'\\') folded.pop_back();
  if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  const HKEY rootKey = bramlow::RootFromName(root);
  // HKEY_CURRENT_CONFIG is HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Hardware
  // Profiles\\Current under another name.
  if (rootKey == HKEY_CURRENT_CONFIG) return true;
  if (rootKey == HKEY_LOCAL_MACHINE && (folded == L"SYSTEM" || folded.rfind(L"SYSTEM\\", 0) == 0))
    return true;
  // A user's settings under HKEY_USERS are his HKEY_CURRENT_USER.
  if (rootKey == HKEY_USERS) {
    const size_t user = folded.find(L'\\');
    folded = user == std::wstring::npos ? std::wstring() : folded.substr(user + 1);
  }
  // The 32-bit programs' view of the machine's software settings.
  if (folded.rfind(L"SOFTWARE\\WOW6432NODE\\", 0) == 0) folded.erase(9, 12);
  // The shell and the programs started at logon: a wrong deletion there leaves no desktop.
  return folded == L"SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON";
}

std::wstring ShortcutTarget(const std::wstring& link) {
  const std::optional<bramlow::ShortcutLeadsTo> leadsTo = bramlow::ReadShortcut(link);
  return leadsTo ? leadsTo->target : std::wstring();
}

bool RemovalReport::KeepsList() const {
  return std::any_of(leftOver.begin(), leftOver.end(),
                     [](const LeftItem& item) { return item.stay != Stay::Refused; });
}

Remover::Remover(RemoverSettings settings) : settings_(std::move(settings)) {
  ownFolder_ = ParentOf(settings_.program);
}

bool Remover::IsOwnFolder(const std::wstring& folder) {
  if (SameFile(folder, ownFolder_)) return true;
  const auto own = identities_.Of(ownFolder_);
  return own && identities_.Of(folder) == own;
}

bool Remover::IsInOwnFolder(const std::wstring& path) {
  if (IsAtOrBelow(path, ownFolder_)) return true;
  const auto own = identities_.Of(ownFolder_);
  return own && identities_.IsAtOrBelow(ParentOf(path), *own);
}

// The program the entry starts is this uninstaller, under whatever name: it would start itself
// again and again.
bool Remover::StartsTheUninstaller(const std::wstring& entry) const {
  const bramlow::ResolvedCommand resolved = ResolveProgramEntry(entry);
  if (!resolved.launch) return false;
  std::wstring program = resolved.launch->application;
  if (program.empty()) {
    // A bare name the system resolves: it looks in the uninstaller's folder first.
    std::wstring name = resolved.launch->commandLine;
    if (!name.empty() && name[0] == L'"') {
      const size_t close = name.find(L'"', 1);
      name = name.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    } else {
      name = name.substr(0, name.find_first_of(L" \t"));
    }
    if (name.empty() || name.find_first_of(L"\\/:") != std::wstring::npos) return false;
    program = ownFolder_ + L"\\" + name;
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) program += L".exe";
  }
  return SameFile(program, settings_.program) ||
         winbase::SameFileObject(program, settings_.program);
}

// Why a list entry names nothing the installation can have made; empty when it may.
std::wstring Remover::PathRefusal(const std::wstring& path) const {
  // Before any other rule: a name Windows reads as another one would slip past them.
  if (std::wstring why = BadNameReason(path); !why.empty()) return why;
  if (IsLocalFullPath(path)) return {};
  // Installed on a network share, the uninstaller runs from there and may remove what lies
  // in its own folder; nothing else over the network, nor any "\\?\" or "\\.\" name.
  if (IsNetworkPath(path)) {
    if (path.size() > 2 && path[2] != L'?' && path[2] != L'.' && IsNetworkPath(ownFolder_) &&
        IsAtOrBelow(path, ownFolder_))
      return {};
    return L"a network path outside the uninstaller's folder";
  }
  return L"not a full path";
}

// The list names only what the installation created, wherever it put it (a library into the
// system folder, a font); what no installation may take away stays all the same.
std::wstring Remover::FileRefusal(const std::wstring& file) {
  std::wstring why = PathRefusal(file);
  if (!why.empty()) return why;
  if (IsSystemConfigurationFile(file, identities_))
    return L"one of the system's own configuration files";
  if (!IsInOwnFolder(file) && settings_.isProtected && settings_.isProtected(file))
    return L"a file the system protects";
  return {};
}

// A folder in the Windows folder is the installation's only when it put files of its own there.
std::wstring Remover::FolderRefusal(const std::wstring& folder, const UninstallList& list) {
  std::wstring why = PathRefusal(folder);
  if (!why.empty()) return why;
  if (IsDriveRoot(folder)) return L"a drive's root";
  if (!InSystemArea(folder)) return {};
  if (IsProtectedFolder(folder)) return L"one of the system's own folders";
  const std::wstring folded = FoldedPath(folder);
  for (const auto& file : list.files)
    if (IsAtOrBelow(file, folder) && FoldedPath(file) != folded) return {};
  return L"a folder in the Windows folder that holds no file of the installation";
}

// Another installation of the same application, written over this one's shortcut, left it
// leading into that installation. A shortcut that leads anywhere else (a system program, a
// document) is this installation's as it made it.
bool Remover::BelongsToAnotherInstallation(const std::wstring& link, const UninstallList& list) {
  const std::wstring target = ShortcutTarget(link);
  // Only local folders are looked at: the uninstaller never reaches over the network.
  if (!IsLocalFullPath(target) || IsAtOrBelow(target, ownFolder_)) return false;
  for (std::wstring folder = ParentOf(target); !folder.empty(); folder = ParentOf(folder)) {
    // Its own folder under another spelling (a short name, another drive letter): the list
    // there is this one.
    if (IsOwnFolder(folder)) return false;
    const std::optional<std::wstring> application = ListedApplication(folder);
    // An interrupted installation's list has no name: any installation may have overwritten it.
    if (application && (list.appName.empty() || SameText(*application, list.appName))) return true;
  }
  return false;
}

RemovalReport Remover::Remove(const UninstallList& list) {
  RemovalReport report;
  report.remaining.appName = list.appName;
  report.remaining.linkText = list.linkText;
  report.remaining.linkUrl = list.linkUrl;
  std::copy(std::begin(list.texts), std::end(list.texts), std::begin(report.remaining.texts));
  report.remaining.found = true;
  // An interrupted installation's list stays incomplete through every rewrite.
  report.remaining.complete = list.complete;
  emptiedFolders_.clear();
  keptShortcutFolders_.clear();
  identities_.Clear();

  RunPrograms(list, report);
  UnregisterServers(list, report);
  DeleteFiles(list, report);
  RemoveFolders(list, report);
  DeleteRegistryValues(list, report);
  for (const auto& file : report.remaining.files)
    if (const auto link = list.links.find(file); link != list.links.end())
      report.remaining.links.insert(*link);
  if (!report.KeepsList()) DeleteUninstallEntry(list, report);
  return report;
}

void Remover::RunPrograms(const UninstallList& list, RemovalReport& report) {
  auto note = [&](const std::wstring& line) {
    if (settings_.note) settings_.note(line);
  };
  for (const auto& program : list.programs) {
    // Refused on principle like a program that cannot start: nothing of it stays.
    if (!winbase::FitsCodePage(program)) {
      note(L"not started: " + program + L" (a character the ANSI code page cannot hold)");
      continue;
    }
    if (StartsTheUninstaller(program)) {
      note(L"not started: " + program + L" (the uninstaller itself)");
      continue;
    }
    std::function<bool(DWORD)> keepWaiting;
    if (settings_.keepWaiting)
      keepWaiting = [&](DWORD waited) { return settings_.keepWaiting(program, waited); };
    const ProgramRun run = RunProgramEntry(program, settings_.programWaitMs, keepWaiting);
    switch (run.outcome) {
      case ProgramOutcome::Ended:
        note(L"run " + program + L": ended with exit code " + std::to_wstring(run.exitCode));
        break;
      // A program that never started is not running: nothing of it stays, and another run
      // would not start it either.
      case ProgramOutcome::NotStarted:
        if (IsPassingStartFailure(run.startError)) {
          report.leftOver.push_back({program, L"it could not start: " + run.whyNot, Stay::Retry});
          report.remaining.programs.push_back(program);
          break;
        }
        note(L"not started: " + program + L" (" + run.whyNot + L")");
        break;
      case ProgramOutcome::LeftRunning:
        report.leftOver.push_back({program, L"still running", Stay::Running});
        report.remaining.programs.push_back(program);
        break;
    }
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
    // Refused here, it is named once, with its file.
    if (!FileRefusal(server).empty()) continue;
    DWORD attributes = 0, error = 0;
    const Presence presence = PresenceOf(server, &attributes, &error);
    if (presence == Presence::Gone || presence == Presence::BadName) continue;
    std::wstring why = ReasonText(error);
    if (presence == Presence::There) {
      // Never registered by it, and never to be unregistered: named this once; its file goes.
      if (std::wstring never = WhyNeverUnregistered(server); !never.empty()) {
        report.leftOver.push_back(
            {server, L"its registration cannot be undone: " + never, Stay::Refused});
        continue;
      }
      std::function<bool(DWORD)> keepWaiting;
      if (settings_.keepWaiting)
        keepWaiting = [&](DWORD waited) { return settings_.keepWaiting(server, waited); };
      const ProgramRun run =
          RunProgramEntry(unregister + server + L"\"", settings_.programWaitMs, keepWaiting);
      if (run.outcome == ProgramOutcome::Ended && run.exitCode == 0) continue;
      why = run.outcome == ProgramOutcome::LeftRunning ? L"its unregistering has not ended"
            : run.outcome == ProgramOutcome::NotStarted
                ? L"its unregistering could not start (" + run.whyNot + L")"
                : L"its unregistering failed (exit code " + std::to_wstring(run.exitCode) + L")";
    }
    report.leftOver.push_back({server, why, Stay::Retry});
    report.remaining.servers.push_back(server);
  }
}

void Remover::DeleteFiles(const UninstallList& list, RemovalReport& report) {
  // A server that is still registered keeps its file, or the registration would point at
  // nothing; it is named once, as a server.
  const std::set<std::wstring> registered = FoldedSet(report.remaining.servers);
  for (const auto& file : list.files) {
    auto stay = [&](const std::wstring& why, Stay how) {
      report.leftOver.push_back({file, why, how});
      if (how != Stay::Refused) report.remaining.files.push_back(file);
    };
    if (registered.count(FoldedPath(file))) {
      report.remaining.files.push_back(file);
      continue;
    }
    if (std::wstring why = FileRefusal(file); !why.empty()) {
      stay(why, Stay::Refused);
      continue;
    }
    if (SameFile(file, settings_.program)) continue;  // the self-deleting batch removes it
    DWORD attributes = 0, error = 0;
    const Presence presence = PresenceOf(file, &attributes, &error);
    if (presence == Presence::Gone) continue;
    if (presence == Presence::BadName) {
      stay(L"a name no file can have", Stay::Refused);
      continue;
    }
    if (presence == Presence::Unknown) {
      stay(ReasonText(error), Stay::Retry);
      continue;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      stay(L"a folder, listed as a file", Stay::Refused);
      continue;
    }
    // A read-only file was made so by someone on purpose: it is not cleared to be deleted.
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      stay(L"read-only", Stay::Retry);
      continue;
    }
    if (const auto record = list.links.find(file); record != list.links.end()) {
      // Led elsewhere than it was made to: another installation has written over it since.
      const std::optional<bramlow::ShortcutLeadsTo> now = bramlow::ReadShortcut(file);
      if (!now || now->target != record->second.target ||
          now->arguments != record->second.arguments) {
        keptShortcutFolders_.push_back(FoldedPath(ParentOf(file)));
        stay(L"written over since by another installation", Stay::Refused);
        continue;
      }
    } else if (EndsWithNoCase(file, L".lnk") && BelongsToAnotherInstallation(file, list)) {
      keptShortcutFolders_.push_back(FoldedPath(ParentOf(file)));
      continue;
    }
    if (!DeleteFileW(file.c_str())) {
      const DWORD error = GetLastError();
      // The running program itself under another spelling: the batch removes it.
      if (winbase::SameFileObject(file, settings_.program)) continue;
      stay(ReasonText(error), Stay::Retry);
      continue;
    }
    ++report.removedFiles;
    for (std::wstring folder = ParentOf(file);
         IsAtOrBelow(folder, ownFolder_) && !SameFile(folder, ownFolder_);
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
  std::stable_sort(
      folders.begin(), folders.end(),
      [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
  const std::set<std::wstring> shellFolders = ShellFolders();
  const std::set<std::wstring> keptShortcuts(keptShortcutFolders_.begin(),
                                             keptShortcutFolders_.end());
  // Whether something another run may remove lies in folder: then the folder waits for it.
  auto holdsWhatIsKept = [&](const std::wstring& folder) {
    auto below = [&](const std::vector<std::wstring>& paths) {
      return std::any_of(paths.begin(), paths.end(),
                         [&](const std::wstring& p) { return IsAtOrBelow(p, folder); });
    };
    return below(report.remaining.files) || below(report.remaining.servers) ||
           below(report.remaining.folders);
  };
  for (const auto& folder : folders) {
    if (std::wstring why = FolderRefusal(folder, list); !why.empty()) {
      report.leftOver.push_back({folder, why, Stay::Refused});
      continue;
    }
    // The running program's own folder can only go after it: the batch removes it.
    if (IsOwnFolder(folder)) continue;
    if (shellFolders.count(FoldedPath(folder)) || IsProtectedFolder(folder)) continue;
    DWORD attributes = 0, error = 0;
    const Presence presence = PresenceOf(folder, &attributes, &error);
    if (presence == Presence::Gone) continue;
    if (presence == Presence::BadName) {
      report.leftOver.push_back({folder, L"a name no folder can have", Stay::Refused});
      continue;
    }
    // A file where the list names a folder: someone else's, and no run would remove it.
    if (presence == Presence::There && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      report.leftOver.push_back({folder, L"a file, listed as a folder", Stay::Refused});
      continue;
    }
    // RemoveDirectory refuses a folder that still holds anything: the user's own files stay.
    if (presence == Presence::There && RemoveDirectoryW(folder.c_str())) {
      ++report.removedFolders;
      continue;
    }
    if (presence == Presence::There) error = GetLastError();
    // What holds it is another installation's shortcut, which is not ours to name.
    if (keptShortcuts.count(FoldedPath(folder))) continue;
    if (holdsWhatIsKept(folder)) {
      report.leftOver.push_back({folder, L"it holds what stayed", Stay::Retry});
      report.remaining.folders.push_back(folder);
    } else if (error == ERROR_DIR_NOT_EMPTY) {
      // Files the installation did not make: the user's own, which no run may remove.
      report.leftOver.push_back(
          {folder, L"it holds files the installation did not make", Stay::Refused});
    } else {
      report.leftOver.push_back({folder, ReasonText(error), Stay::Retry});
      report.remaining.folders.push_back(folder);
    }
  }
}

void Remover::DeleteRegistryValues(const UninstallList& list, RemovalReport& report) {
  for (const auto& entry : list.registry) {
    const std::wstring named = entry.root + L"\\" + entry.key + L"\\" + entry.value;
    if (std::wstring why = RegistryRefusal(entry); !why.empty()) {
      report.leftOver.push_back({named, why, Stay::Refused});
      continue;
    }
    winbase::RegKey key;
    LONG result = RegOpenKeyExW(bramlow::RootFromName(entry.root), entry.key.c_str(), 0,
                                KEY_SET_VALUE | KEY_QUERY_VALUE, key.put());
    // Only a key that is not there took its value with it; one that cannot be opened (access
    // denied) still holds it.
    if (result == ERROR_FILE_NOT_FOUND) continue;
    if (result == ERROR_SUCCESS) {
      result = RegDeleteValueW(key.get(), entry.value.empty() ? nullptr : entry.value.c_str());
      if (result == ERROR_SUCCESS) ++report.removedValues;
      if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) continue;
    }
    if (IsRegistryNameError(result)) {
      report.leftOver.push_back({named, ReasonText(static_cast<DWORD>(result)), Stay::Refused});
      continue;
    }
    report.leftOver.push_back({named, ReasonText(static_cast<DWORD>(result)), Stay::Retry});
    report.remaining.registry.push_back(entry);
  }
}

void Remover::DeleteUninstallEntry(const UninstallList& list, RemovalReport& report) {
  // A key of the same name that starts another Uninstall.exe belongs to another installation
  // of the application (or was never written by this one): it stays, and is not ours to name.
  const std::wstring name = FindOwnUninstallKey(list.appName, settings_.program);
  if (name.empty()) return;
  const std::wstring key = std::wstring(kUninstallKeys) + L"\\" + name;
  LONG result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
    report.leftOver.push_back(
        {L"HKEY_LOCAL_MACHINE\\" + key, ReasonText(static_cast<DWORD>(result)), Stay::Retry});
}

}  // namespace uninstall
