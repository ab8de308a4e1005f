#include "korvel/self/registry_key.h"

#include <vector>

namespace korvel {

winbase::RegKey CreateRegKey(HKEY root, const std::wstring& path, REGSAM access) {
  winbase::RegKey key;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS)
    static_cast<void>(key.release());  // the system may leave anything in the output on failure
  return key;
}

winbase::RegKey OpenRegKey(HKEY root, const std::wstring& path, REGSAM access) {
  winbase::RegKey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS)
    static_cast<void>(key.release());
  return key;
}

bool WriteRegString(const winbase::RegKey& key, const std::wstring& name,
                    const std::wstring& value) {
  if (!key) return false;
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadRegString(const winbase::RegKey& key, const std::wstring& name,
                                          size_t maxChars) {
  if (!key) return std::nullopt;
  // One spare character for a terminator the value may or may not carry.
  std::vector<wchar_t> buffer(maxChars + 2, L'\0');
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  size_t chars = bytes / sizeof(wchar_t);
  while (chars > 0 && buffer[chars - 1] == L'\0') --chars;
  std::wstring text(buffer.data(), chars);
  // A value with an embedded terminator ends there, as the system's readers see it.
  text.resize(wcsnlen(text.c_str(), text.size()));
  if (text.size() > maxChars) return std::nullopt;
  return text;
}

}  // namespace korvel
