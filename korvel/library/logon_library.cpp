#include "korvel/library/logon_library.h"

#include <windows.h>

#include "korvel/shared/folder_utils.h"

namespace korvel {

LogonLibrary::LogonLibrary(const std::wstring& programFolder)
    : folder_(programFolder + L"logons\\") {}

std::vector<std::wstring> LogonLibrary::Packages() const {
  return ListMatches(folder_ + L"*.kvl");
}

DeleteOutcome LogonLibrary::Delete(const std::wstring& name) const {
  if (name.empty()) return DeleteOutcome::Failed;
  const std::wstring path = PackagePath(name);
  // A folder is the user's own, whatever its name: saying so beats blaming write protection.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return DeleteOutcome::IsFolder;
  if (DeleteFileW(path.c_str())) return DeleteOutcome::Deleted;
  // Gone already (another program, another window) is what the user wanted.
  return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? DeleteOutcome::Deleted
                                                                     : DeleteOutcome::Failed;
}

}  // namespace korvel
