#include "bramlow/text/destination_rules.h"

#include <vector>

#include "bramlow/text/macro_text.h"
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

// A name as the device-name rule takes it: UTF-8 (the superscript digits of "COM¹").
std::string Utf8Of(const std::wstring& name) {
  std::string out;
  for (wchar_t w : name) {
    const unsigned c = static_cast<unsigned>(w) & 0xFFFF;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
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
      if (ziparchive::IsDeviceName(Utf8Of(name))) return true;
    }
    start = end + 1;
  }
  return false;
}

// The folder with "." and ".." taken away and its separators as the system writes them,
// without a trailing backslash except a root's: the path the installation uses.
std::wstring Normalized(const std::wstring& folder) {
  const std::wstring root = RootOf(folder);
  if (root.empty()) return {};
  std::vector<std::wstring> parts;
  size_t start = root.size();
  while (start <= folder.size()) {
    size_t end = folder.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = folder.size();
    const std::wstring name = folder.substr(start, end - start);
    if (name == L"..") {
      if (!parts.empty()) parts.pop_back();  // no higher than the root, as the system resolves
    } else if (!name.empty() && name != L".") {
      parts.push_back(name);
    }
    start = end + 1;
  }
  std::wstring path = root;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  for (size_t i = 0; i < parts.size(); ++i) path += (i ? L"\\" : L"") + parts[i];
  return path;
}

// That path with long names for short ones, upper-cased: the form in which two spellings of
// one folder compare equal. Only ASCII letters are folded: the names of the system's own
// folders are ASCII on every Windows.
std::wstring Resolved(const std::wstring& folder, const DestinationSystem& system) {
  const std::wstring root = RootOf(folder);
  std::wstring path = Normalized(folder);
  if (system.longForm && path.size() > root.size()) {
    const std::wstring longPath = system.longForm(path);
    if (!longPath.empty()) path = longPath;
    while (path.size() > root.size() && path.back() == L'\\') path.pop_back();
  }
  for (wchar_t& c : path)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return path;
}

// A root, however spelt ("C:\Apps\.." is one), or a folder of the system itself: the
// application's files, its uninstaller and its list would mix with the system's, and a later
// removal would take away files the installation only replaced.
bool IsRootOrWindowsFolder(const std::wstring& folder, const DestinationSystem& system) {
  const std::wstring resolved = Resolved(folder, system);
  if (resolved.size() <= RootOf(folder).size()) return true;
  if (!system.systemFolders) return false;
  for (const std::wstring& own : system.systemFolders()) {
    if (!own.empty() && Resolved(own, system) == resolved) return true;
  }
  return false;
}

}  // namespace

bool NamesADeviceOrIsTrimmed(const std::wstring& path) {
  return HasDeviceOrTrimmedName(path, RootOf(path).size());
}

DestinationProblem CheckDestinationWith(const std::wstring& folder,
                                        const DestinationSystem& system) {
  if (!IsFullFolderPath(folder)) return DestinationProblem::NotAFullPath;
  if (ForbiddenCharacterAt(folder) != std::wstring::npos)
    return DestinationProblem::ForbiddenCharacter;
  if (!system.fitsCodePage(folder)) return DestinationProblem::OutsideTheCodePage;
  const std::wstring root = RootOf(folder);
  if (root.empty()) return DestinationProblem::NotAFullPath;
  if (HasDeviceOrTrimmedName(folder, root.size())) return DestinationProblem::DeviceOrTrimmedName;
  if (!system.rootExists(root)) return DestinationProblem::NoSuchDriveOrShare;
  if (IsRootOrWindowsFolder(folder, system)) return DestinationProblem::RootOrWindowsFolder;
  // As the installation will use it: "C:\\Apps\\..\\Demo" is short enough when "C:\\Demo" is.
  if (Normalized(folder).size() > kLongestDestination) return DestinationProblem::TooLong;
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
