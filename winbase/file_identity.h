// Which file or folder a path leads to, whatever its spelling (short names, another drive letter, a
// link).
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace winbase {

// The volume and the file's number on it: two paths with the same identity lead to one file or
// folder, however differently they are spelt ("C:\PROGRA~1" and "C:\Program Files", a drive
// letter substituted for a folder, a folder link).
struct FileIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of an existing file or folder; nothing when it cannot be opened (it is not
// there, or nobody may look at it). Opened only to read its attributes, which no sharing mode
// of another program refuses.
[[nodiscard]] std::optional<FileIdentity> IdentityOf(const std::wstring& path);

// Both paths lead to one existing file or folder.
[[nodiscard]] bool SameFileObject(const std::wstring& a, const std::wstring& b);

}  // namespace winbase
