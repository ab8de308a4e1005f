#include "bramlow/state/destination_check.h"

#include <windows.h>

#include "bramlow/text/macro_text.h"
#include "winbase/text.h"
#include "ziparchive/platform/device_name.h"

namespace bramlow {
namespace {

// No file system takes these in a name; the drive's own ':' is the one colon a path may hold.
size_t ForbiddenCharacterAt(const std::wstring& folder) {
  for (size_t i = 0; i < folder.size(); ++i) {
    const wchar_t c = folder[i];
    if (c < 32 || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L'*' || c == L'?')
      return i;
    if (c == L':' && i != 1) return i;
  }
  return std::wstring::npos;
}

// "C:\" or "\\server\share\"; empty when the path has neither.
std::wstring RootOf(const std::wstring& folder) {
  auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (folder.size() >= 3 && folder[1] == L':') return folder.substr(0, 2) + L"\\";
  if (folder.size() < 3 || !separator(folder[0]) || !separator(folder[1])) return {};
  size_t share = 2;
  while (share < folder.size() && !separator(folder[share])) ++share;
  size_t end = share + 1;
  while (end < folder.size() && !separator(folder[end])) ++end;
  if (share >= folder.size() || end == share + 1) return {};
  return folder.substr(0, end) + L"\\";
}

// The folder as the system resolves it, upper-cased, without a trailing backslash except a
// drive's ("C:\\"): the form in which two spellings of one folder compare equal.
std::wstring ResolvedFolded(const std::wstring& folder) {
  wchar_t full[MAX_PATH * 2];
  DWORD n = GetFullPathNameW(folder.c_str(), MAX_PATH * 2, full, nullptr);
  std::wstring path = n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : folder;
  wchar_t longForm[MAX_PATH * 2];
  n = GetLongPathNameW(path.c_str(), longForm, MAX_PATH * 2);
  if (n > 0 && n < MAX_PATH * 2) path.assign(longForm, n);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (!path.empty()) CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  return path;
}

bool IsRootOrWindowsFolder(const std::wstring& folder) {
  const std::wstring resolved = ResolvedFolded(folder);
  // "C:\\" or "\\\\server\\share": a root, resolved ("C:\\Apps\\.." is one too).
  if (resolved.size() <= 3 || RootOf(resolved + L"\\").size() == resolved.size() + 1) return true;
  wchar_t windows[MAX_PATH], system[MAX_PATH];
  const UINT windowsLength = GetWindowsDirectoryW(windows, MAX_PATH);
  const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
  auto is = [&](const wchar_t* path, UINT length) {
    return length > 0 && length < MAX_PATH &&
           ResolvedFolded(std::wstring(path, length)) == resolved;
  };
  return is(windows, windowsLength) || is(system, systemLength);
}

// A folder Windows would not create under the name given: a device ("C:\\Apps\\NUL" is the null
// device, and the installation's files would vanish into it while it reported success) or a
// name whose trailing dots and spaces the system drops. "." and ".." keep their usual meaning.
bool HasDeviceOrTrimmedName(const std::wstring& folder, size_t rootLength) {
  size_t start = rootLength;
  while (start < folder.size()) {
    size_t end = folder.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = folder.size();
    const std::wstring name = folder.substr(start, end - start);
    if (!name.empty() && name != L"." && name != L"..") {
      if (name.back() == L'.' || name.back() == L' ') return true;
      if (ziparchive::IsDeviceName(winbase::ToUtf8(name))) return true;
    }
    start = end + 1;
  }
  return false;
}

}  // namespace

bool NamesADeviceOrIsTrimmed(const std::wstring& path) {
  return HasDeviceOrTrimmedName(path, RootOf(path).size());
}

DestinationProblem CheckDestination(const std::wstring& folder) {
  if (!IsFullFolderPath(folder)) return DestinationProblem::NotAFullPath;
  if (ForbiddenCharacterAt(folder) != std::wstring::npos)
    return DestinationProblem::ForbiddenCharacter;
  if (!winbase::FitsCodePage(folder)) return DestinationProblem::OutsideTheCodePage;
  const std::wstring root = RootOf(folder);
  if (root.empty()) return DestinationProblem::NotAFullPath;
  if (HasDeviceOrTrimmedName(folder, root.size())) return DestinationProblem::DeviceOrTrimmedName;
  if (root[1] == L':') {
    if (GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR)
      return DestinationProblem::NoSuchDriveOrShare;
  } else if (GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return DestinationProblem::NoSuchDriveOrShare;
  }
  if (IsRootOrWindowsFolder(folder)) return DestinationProblem::RootOrWindowsFolder;
  // As the installation will use it: "C:\\Apps\\..\\Demo" is short enough when "C:\\Demo" is.
  const DWORD size = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  const DWORD n = size ? GetFullPathNameW(folder.c_str(), size, full.data(), nullptr) : 0;
  full.resize(n > 0 && n < size ? n : 0);
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  if (full.empty() || full.size() > kLongestDestination) return DestinationProblem::TooLong;
  return DestinationProblem::None;
}

std::wstring DestinationProblemText(DestinationProblem problem, const std::wstring& folder) {
  switch (problem) {
    case DestinationProblem::None:
      return L"ok";
    case DestinationProblem::NotAFullPath:
      return L"not a full path";
    case DestinationProblem::OutsideTheCodePage:
      return L"a character the ANSI code page cannot hold";
    case DestinationProblem::NoSuchDriveOrShare:
      return L"no such drive or share";
    case DestinationProblem::DeviceOrTrimmedName:
      return L"a folder name Windows takes for a device or shortens (NUL, COM1, a trailing dot or "
             L"space)";
    case DestinationProblem::RootOrWindowsFolder:
      return L"a drive's root or the Windows folder itself";
    case DestinationProblem::TooLong:
      return L"a path too long for the installation's files (at most " +
             std::to_wstring(kLongestDestination) + L" characters)";
    case DestinationProblem::ForbiddenCharacter:
      break;
  }
  const size_t at = ForbiddenCharacterAt(folder);
  if (at == std::wstring::npos) return L"a character no path may hold";
  const wchar_t c = folder[at];
  if (c < 32)
    return L"a control character (code " + std::to_wstring(static_cast<unsigned>(c)) +
           L") no path may hold";
  return std::wstring(L"a character no path may hold: ") + c;
}

}  // namespace bramlow
