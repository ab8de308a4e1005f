#include "scratch_key.h"

#include <shlwapi.h>

#include <stdexcept>

namespace testsupport {

ScratchKey::ScratchKey(const std::wstring& name)
    : path_(L"Software\\KvTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + name) {
  SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key_, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot make a scratch key");
}

ScratchKey::~ScratchKey() {
  RegCloseKey(key_);
  SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
}

}  // namespace testsupport
