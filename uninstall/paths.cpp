#include "paths.h"

#include <windows.h>

namespace uninstall {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring LongForm(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  DWORD n = GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : path;
}

}  // namespace

bool IsNetworkPath(const std::wstring& path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool IsLocalFullPath(const std::wstring& path) {
  return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':' && IsSeparator(path[2]);
}

std::wstring FoldedPath(std::wstring path) {
  for (wchar_t& c : path) if (c == L'/') c = L'\\';
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (!path.empty()) CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
  return path;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  return FoldedPath(LongForm(a)) == FoldedPath(LongForm(b));
}

}  // namespace uninstall
