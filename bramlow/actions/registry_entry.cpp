#include "bramlow/actions/registry_entry.h"

#include <windows.h>

#include "bramlow/actions/folder_macros.h"
#include "bramlow/actions/registry_integer.h"
#include "bramlow/actions/registry_root.h"
#include "bramlow/runtime_error.h"
#include "ui/handles.h"
#include "ui/text.h"

namespace bramlow {

namespace {

bool ValueExists(HKEY key, const wchar_t* name) {
  const LONG result = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr);
  return result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
}

}  // namespace

bool WriteRegistryEntry(const std::wstring& rootName, const std::wstring& keyPath, const std::wstring& valueName,
                        int type, const std::wstring& data, const TSetupState& state) {
  const HKEY root = RootFromName(rootName);
  const std::wstring expanded = ExpandMacros(data, state);
  ui::RegKey key;
  if (RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS) {
    key.release();  // holds nothing usable after a failure
    return false;
  }
  const wchar_t* name = valueName.c_str();
  const bool existed = ValueExists(key.get(), name);
  LONG written = ERROR_INVALID_DATA;  // other types write nothing
  switch (type) {
    case 0:
      written = RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(expanded.c_str()),
                               static_cast<DWORD>((expanded.size() + 1) * sizeof(wchar_t)));
      break;
    case 1: {
      const auto number = ParseRegistryInteger(data);
      if (!number) {
        key.reset();
        StopWithRuntimeError(L"'" + data + L"' is not a valid integer value");
      }
      const DWORD value = static_cast<DWORD>(*number);
      written = RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
      break;
    }
    case 2: {
      const std::string bytes = ui::Narrow(data);
      written = RegSetValueExW(key.get(), name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size()));
      break;
    }
    default:
      break;
  }
  return written == ERROR_SUCCESS && !existed;
}

}  // namespace bramlow
