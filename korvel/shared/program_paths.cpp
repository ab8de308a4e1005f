#include "korvel/shared/program_paths.h"

#include <windows.h>

namespace korvel {

std::wstring FolderPart(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return {};
  return path.substr(0, slash + 1);
}

std::wstring EnvironmentValue(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  if (length == 0 || length >= size) return {};
  value.resize(length);
  return value;
}

std::wstring SystemFolder() { return EnvironmentValue(L"SystemRoot") + L"\\system32\\"; }

std::wstring ShortPath(const std::wstring& path) {
  DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (size == 0) return path;
  std::wstring result(size, L'\0');
  DWORD length = GetShortPathNameW(path.c_str(), result.data(), size);
  if (length == 0 || length >= size) return path;
  result.resize(length);
  return result;
}

}  // namespace korvel
