// A fresh folder under the temporary folder for one test, removed afterwards, and small file
// helpers the library tests share.
#pragma once
#include <windows.h>

#include <set>
#include <string>

#include "folder_utils.h"
#include "winbase/module_path.h"

namespace korvel::testing {

inline std::wstring TempRoot() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring root(buffer, length);
  if (!root.empty() && root.back() == L'\\') root.pop_back();
  return root;
}

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& label = L"kvtest") {
    static unsigned counter = 0;
    path_ = TempRoot() + L"\\" + label + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
    PrepareEmptyFolder(path_);
  }
  ~ScratchFolder() { RemoveFolderTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// The folder the test program (and the programs built beside it) lies in, with its "\\".
inline std::wstring BuildFolder() {
  const std::wstring self = winbase::ProgramPath();
  return self.substr(0, self.find_last_of(L'\\') + 1);
}

inline std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH] = {};
  GetSystemDirectoryW(buffer, MAX_PATH);
  return buffer;
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

inline std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

inline bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline std::set<std::wstring> NamesIn(const std::wstring& folder) {
  const auto names = ListMatches(folder + L"\\*");
  return {names.begin(), names.end()};
}

}  // namespace korvel::testing
