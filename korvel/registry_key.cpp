#include "registry_key.h"

#include <vector>

namespace korvel {

RegKey::~RegKey() {
  if (key_) RegCloseKey(key_);
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    if (key_) RegCloseKey(key_);
    key_ = other.Release();
  }
  return *this;
}

HKEY RegKey::Release() noexcept {
  HKEY key = key_;
  key_ = nullptr;
  return key;
}

RegKey RegKey::Create(HKEY root, const std::wstring& path, REGSAM access) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return RegKey();
  return RegKey(key);
}

RegKey RegKey::Open(HKEY root, const std::wstring& path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return RegKey();
  return RegKey(key);
}

bool RegKey::WriteString(const std::wstring& name, const std::wstring& value) const {
  if (!key_) return false;
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key_, name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

std::optional<std::wstring> RegKey::ReadString(const std::wstring& name, size_t max_chars) const {
  if (!key_) return std::nullopt;
  // One spare character for the terminator the value may or may not carry.
  std::vector<wchar_t> buffer(max_chars + 2, L'\0');
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  if (RegQueryValueExW(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  size_t chars = bytes / sizeof(wchar_t);
  while (chars > 0 && buffer[chars - 1] == L'\0') --chars;
  std::wstring text(buffer.data(), chars);
  // A value with an embedded terminator ends there, as the system's readers see it.
  text.resize(wcsnlen(text.c_str(), text.size()));
  if (text.size() > max_chars) return std::nullopt;
  return text;
}

}  // namespace korvel
