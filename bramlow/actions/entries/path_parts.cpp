#include "bramlow/actions/entries/path_parts.h"

#include <windows.h>

#include "bramlow/text/macro_text.h"

namespace bramlow {

namespace {
std::wstring WithoutTrailingBackslashes(const std::wstring& path) {
  std::wstring::size_type end = path.size();
  while (end > 0 && path[end - 1] == L'\\') --end;
  return path.substr(0, end);
}
}  // namespace

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  std::wstring::size_type start = 0;
  while (start < name.size() && name[start] == L'\\') ++start;
  std::wstring result = WithoutTrailingBackslashes(folder);
  result += L'\\';
  result.append(name, start, std::wstring::npos);
  return result;
}

std::wstring FolderPartOf(const std::wstring& path) { return FolderPart(path); }

std::wstring UpperAsciiLetters(std::wstring text) {
  for (auto& ch : text) {
    if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - L'a' + L'A');
  }
  return text;
}

bool ContainsNoCase(std::wstring_view text, std::wstring_view word) {
  return UpperAsciiLetters(std::wstring(text)).find(UpperAsciiLetters(std::wstring(word))) != std::wstring::npos;
}

// The full form the file system would use: "/" and ".." resolved, short names made long
// where the path exists.
std::wstring CanonicalPath(const std::wstring& path) {
  if (path.empty()) return path;
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n >= full.size()) {
    full.resize(n + 1);
    n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (n == 0 || n >= full.size()) return path;
  full.resize(n);
  // Longer than the system's paths, it has no long form to look up (and Wine's lookup
  // overruns its own buffer on such a path).
  if (full.size() >= MAX_PATH) return full;
  std::wstring longForm(MAX_PATH, L'\0');
  n = GetLongPathNameW(full.c_str(), longForm.data(), static_cast<DWORD>(longForm.size()));
  if (n == 0 || n >= longForm.size()) return full;
  longForm.resize(n);
  return longForm;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  const std::wstring left = WithoutTrailingBackslashes(CanonicalPath(a));
  const std::wstring right = WithoutTrailingBackslashes(CanonicalPath(b));
  return !left.empty() && lstrcmpiW(left.c_str(), right.c_str()) == 0;
}

}  // namespace bramlow
