#include "logon_library.h"

#include <windows.h>

#include "folder_utils.h"

namespace korvel {

LogonLibrary::LogonLibrary(const std::wstring& programFolder)
    : folder_(programFolder + L"logons\\") {}

std::vector<std::wstring> LogonLibrary::Packages() const {
  return ListMatches(folder_ + L"*.kvl");
}

void LogonLibrary::Delete(const std::wstring& name) const {
  if (name.empty()) return;
  DeleteFileW(PackagePath(name).c_str());
}

}  // namespace korvel
