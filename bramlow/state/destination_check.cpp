#include "bramlow/state/destination_check.h"

#include <windows.h>

#include "winbase/text.h"

namespace bramlow {

DestinationProblem CheckDestination(const std::wstring& folder) {
  DestinationSystem system;
  system.fitsCodePage = [](const std::wstring& text) { return winbase::FitsCodePage(text); };
  system.rootExists = [](const std::wstring& root) {
    if (root[1] == L':') return GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR;
    return GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES;
  };
  system.systemFolders = [] {
    std::vector<std::wstring> folders;
    wchar_t path[MAX_PATH];
    UINT n = GetWindowsDirectoryW(path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) folders.emplace_back(path, n);
    n = GetSystemDirectoryW(path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) folders.emplace_back(path, n);
    return folders;
  };
  // "C:\PROGRA~1" and "C:\Program Files" are one folder; only an existing one has a long form.
  system.longForm = [](const std::wstring& path) {
    wchar_t longPath[MAX_PATH * 2];
    const DWORD n = GetLongPathNameW(path.c_str(), longPath, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(longPath, n) : path;
  };
  return CheckDestinationWith(folder, system);
}

}  // namespace bramlow
