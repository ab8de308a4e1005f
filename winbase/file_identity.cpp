#include "winbase/file_identity.h"

#include "winbase/handles.h"

namespace winbase {

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
  if (path.empty()) return std::nullopt;
  // Backup semantics open a folder as well as a file.
  FileHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

bool SameFileObject(const std::wstring& a, const std::wstring& b) {
  const std::optional<FileIdentity> left = IdentityOf(a);
  return left && left == IdentityOf(b);
}

}  // namespace winbase
