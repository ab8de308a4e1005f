#include "logon_library.h"

#include <windows.h>

#include "folder_utils.h"

namespace korvel {

LogonLibrary::LogonLibrary(const std::wstring& programFolder)
    : folder_(programFolder + L"logons\\") {}

std::vector<std::wstring> LogonLibrary::Packages() const {
  return ListMatches(folder_ + L"*.kvl");
}

bool LogonLibrary::Delete(const std::wstring& name) const {
  if (name.empty()) return false;
  const std::wstring path = PackagePath(name);
  if (DeleteFileW(path.c_str())) return true;
  // Gone already (another program, another window) is what the user wanted.
  return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace korvel
