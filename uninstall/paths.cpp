#include "paths.h"

#include <windows.h>
#include <shlobj.h>

#include "winbase/text.h"

namespace uninstall {
namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

}  // namespace

std::wstring LongPath(const std::wstring& path) {
  // A name that long has no long form to find (only "\\?\" paths go past MAX_PATH), and some
  // systems' GetLongPathNameW overruns its own buffer on one: a hand-edited list may hold it.
  if (path.size() >= MAX_PATH) return path;
  wchar_t buffer[MAX_PATH];
  DWORD n = GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : path;
}

bool IsNetworkPath(const std::wstring& path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool IsLocalFullPath(const std::wstring& path) {
  return path.size() >= 3 &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':' && IsSeparator(path[2]);
}

std::wstring FoldedPath(std::wstring path) {
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (!path.empty()) CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  return path;
}

bool HasNoDotParts(const std::wstring& path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring part = path.substr(start, end - start);
    if (part == L"." || part == L"..") return false;
    start = end + 1;
  }
  return true;
}

std::wstring BadNameReason(const std::wstring& path) {
  if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
      (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3]))
    return L"a device or \"\\\\?\\\" path";
  // The list is written in the ANSI code page: such a name was never written by the
  // installation, and a look-alike of it would name another file.
  if (!winbase::FitsCodePage(path)) return L"a character the ANSI code page cannot hold";
  for (size_t i = 0; i < path.size(); ++i) {
    const wchar_t c = path[i];
    // "win.ini::$DATA" is win.ini itself; "a:b" a stream of another file.
    if (c < 32 || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L'*' || c == L'?' ||
        (c == L':' && i != 1))
      return L"a character no file name may hold";
  }
  // The parts below the root: "C:\\" or the two separators before a server's name.
  size_t start = IsLocalFullPath(path) ? 3 : IsNetworkPath(path) ? 2 : 0;
  while (start < path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::wstring part = path.substr(start, end - start);
    if (part.empty()) {
      return L"a path with an empty part";
    } else if (part == L"." || part == L"..") {
      return L"a path with \".\" or \"..\" parts";
    } else if (part.back() == L'.' || part.back() == L' ') {
      return L"a name ending in a dot or space, which Windows drops";
    }
    start = end + 1;
  }
  return {};
}

bool IsAtOrBelow(const std::wstring& path, const std::wstring& folder) {
  const std::wstring p = FoldedPath(path), f = FoldedPath(folder);
  if (f.empty() || p.size() < f.size() || p.compare(0, f.size(), f) != 0) return false;
  return p.size() == f.size() || f.back() == L'\\' || p[f.size()] == L'\\';
}

std::wstring WindowsFolder() {
  wchar_t buffer[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : std::wstring(L"C:\\WINDOWS");
}

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH];
  const UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : WindowsFolder() + L"\\system32";
}

std::set<std::wstring> ShellFolders() {
  static const int kFolders[] = {CSIDL_DESKTOPDIRECTORY,
                                 CSIDL_COMMON_DESKTOPDIRECTORY,
                                 CSIDL_PROGRAMS,
                                 CSIDL_COMMON_PROGRAMS,
                                 CSIDL_STARTMENU,
                                 CSIDL_COMMON_STARTMENU,
                                 CSIDL_STARTUP,
                                 CSIDL_COMMON_STARTUP,
                                 CSIDL_PROGRAM_FILES,
                                 CSIDL_PROGRAM_FILES_COMMON,
                                 CSIDL_WINDOWS,
                                 CSIDL_SYSTEM,
                                 CSIDL_FONTS,
                                 CSIDL_PERSONAL,
                                 CSIDL_COMMON_DOCUMENTS,
                                 CSIDL_APPDATA,
                                 CSIDL_COMMON_APPDATA,
                                 CSIDL_LOCAL_APPDATA,
                                 CSIDL_TEMPLATES,
                                 CSIDL_COMMON_TEMPLATES,
                                 CSIDL_FAVORITES,
                                 CSIDL_COMMON_FAVORITES,
                                 CSIDL_SENDTO,
                                 CSIDL_RECENT,
                                 CSIDL_NETHOOD,
                                 CSIDL_PRINTHOOD,
                                 CSIDL_PROFILE,
                                 CSIDL_MYMUSIC,
                                 CSIDL_MYPICTURES};
  std::set<std::wstring> folders;
  for (int csidl : kFolders) {
    wchar_t path[MAX_PATH];
    if (SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) folders.insert(FoldedPath(path));
  }
  wchar_t temp[MAX_PATH];
  if (GetTempPathW(MAX_PATH, temp)) folders.insert(FoldedPath(temp));
  folders.insert(FoldedPath(WindowsFolder()));
  folders.insert(FoldedPath(SystemFolder()));
  return folders;
}

bool IsProtectedFolder(const std::wstring& folder) {
  const std::wstring folded = FoldedPath(folder);
  // "C:\", "C:" and "\\server\share": nothing above them is a folder anyone made.
  if (folded.size() <= 3) return true;
  if (IsNetworkPath(folded)) {
    const size_t share = folded.find(L'\\', 2);
    if (share == std::wstring::npos || folded.find(L'\\', share + 1) == std::wstring::npos)
      return true;
  }
  const std::set<std::wstring> shellFolders = ShellFolders();
  return shellFolders.count(folded) > 0 || shellFolders.count(FoldedPath(LongPath(folder))) > 0;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  return FoldedPath(LongPath(a)) == FoldedPath(LongPath(b));
}

std::optional<winbase::FileIdentity> FolderIdentities::Of(const std::wstring& folder) {
  const std::wstring folded = FoldedPath(folder);
  auto found = known_.find(folded);
  if (found != known_.end()) return found->second;
  const std::optional<winbase::FileIdentity> identity = winbase::IdentityOf(folder);
  known_.emplace(folded, identity);
  return identity;
}

bool FolderIdentities::IsAtOrBelow(const std::wstring& folder, const winbase::FileIdentity& above) {
  std::wstring at = folder;
  while (true) {
    while (at.size() > 3 && IsSeparator(at.back())) at.pop_back();
    if (at.empty()) return false;
    if (Of(at) == above) return true;
    const size_t cut = at.find_last_of(L"\\/");
    // Up to the drive's or share's root, no further.
    if (cut == std::wstring::npos || at.size() <= 3 || cut < 2) return false;
    at.resize(cut);
    if (at.size() == 2 && at[1] == L':') at += L'\\';
  }
}

bool KeepsFolder(const std::wstring& file, const std::wstring& folder) {
  auto full = [](const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, buffer, nullptr);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(buffer, n) : path;
  };
  const std::wstring path = full(file), place = full(folder);
  if (IsAtOrBelow(path, place)) return true;
  // The file itself need not exist yet; the folder it goes into does when it can be written.
  const size_t cut = path.find_last_of(L"\\/");
  const std::wstring parent = cut == std::wstring::npos ? path : path.substr(0, cut);
  if (IsAtOrBelow(LongPath(parent), LongPath(place))) return true;
  // Another drive letter substituted for a folder on the way, or a folder link: the same
  // folder by what it is, not by how it is spelt.
  const std::optional<winbase::FileIdentity> target = winbase::IdentityOf(place);
  if (!target) return false;
  FolderIdentities identities;
  return identities.IsAtOrBelow(path, *target);
}

bool IsOneOf(const std::wstring& file, const std::vector<std::wstring>& listed) {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD n = GetFullPathNameW(file.c_str(), MAX_PATH * 2, buffer, nullptr);
  const std::wstring full = n > 0 && n < MAX_PATH * 2 ? std::wstring(buffer, n) : file;
  const std::optional<winbase::FileIdentity> identity = winbase::IdentityOf(full);
  for (const std::wstring& entry : listed) {
    if (SameFile(full, entry)) return true;
    if (identity && identity == winbase::IdentityOf(entry)) return true;
  }
  return false;
}

}  // namespace uninstall
