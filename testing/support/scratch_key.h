// A registry key of its own for one test, standing in for a root such as HKEY_LOCAL_MACHINE,
// deleted with everything under it at the end (Windows).
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

class ScratchKey {
 public:
  // Made under HKEY_CURRENT_USER; the name holds the process id, so tests running beside each
  // other never share a key. Throws std::runtime_error when it cannot be made.
  explicit ScratchKey(const std::wstring& name);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  HKEY Get() const { return key_; }
  // The key's path under HKEY_CURRENT_USER.
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

}  // namespace testsupport
