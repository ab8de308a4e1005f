#include "program_paths.h"

#include <windows.h>

#include <vector>

namespace korvel {

std::wstring ProgramFilePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    // XP reports truncation by filling the buffer exactly and without an error code.
    if (length < buffer.size() - 1) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

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
