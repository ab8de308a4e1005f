// The one owner of an open registry key.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace korvel {

class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(HKEY key) noexcept : key_(key) {}
  ~RegKey();
  RegKey(RegKey&& other) noexcept : key_(other.Release()) {}
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  HKEY Get() const noexcept { return key_; }
  explicit operator bool() const noexcept { return key_ != nullptr; }
  HKEY Release() noexcept;

  // Creates the key or opens an existing one; an empty RegKey on failure.
  static RegKey Create(HKEY root, const std::wstring& path, REGSAM access = KEY_READ | KEY_WRITE);
  // Opens an existing key; an empty RegKey when it is missing or not accessible.
  static RegKey Open(HKEY root, const std::wstring& path, REGSAM access = KEY_READ);

  // Writes a REG_SZ value; false on failure.
  bool WriteString(const std::wstring& name, const std::wstring& value) const;
  // A REG_SZ or REG_EXPAND_SZ value of at most max_chars characters (unexpanded);
  // nothing when it is missing, of another type or longer.
  std::optional<std::wstring> ReadString(const std::wstring& name, size_t max_chars) const;

 private:
  HKEY key_ = nullptr;
};

}  // namespace korvel
