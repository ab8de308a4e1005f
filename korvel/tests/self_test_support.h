// Scratch folders and registry keys for the self-installation tests: each test gets its own,
// removed afterwards, so nothing of the prefix's real registration is touched.
#pragma once

#include <windows.h>

#include <string>

namespace korvel::testing {

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool Exists(const std::wstring& path);
void RemoveTree(const std::wstring& path);

// A new empty folder under the temporary folder; removed with its content by the destructor.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::wstring& Path() const { return path_; }  // without a trailing backslash

 private:
  std::wstring path_;
};

// A key under HKEY_CURRENT_USER standing in for a registry root; deleted with its subkeys.
class ScratchRoot {
 public:
  explicit ScratchRoot(const std::wstring& name);
  ~ScratchRoot();
  ScratchRoot(const ScratchRoot&) = delete;
  ScratchRoot& operator=(const ScratchRoot&) = delete;
  HKEY Get() const { return key_; }
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

}  // namespace korvel::testing
