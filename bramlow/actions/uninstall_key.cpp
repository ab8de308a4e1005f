#include "bramlow/actions/uninstall_key.h"

#include "bramlow/actions/registry_entry.h"

namespace bramlow {

std::wstring UninstallKeyName(const std::wstring& appName) {
  std::wstring name = appName;
  for (auto& ch : name) {
    if (ch == L'.' || ch == L' ') ch = L'_';
  }
  return name;
}

void WriteUninstallKey(const TSetupState& state) {
  const std::wstring name = UninstallKeyName(state.AppName);
  if (name.empty()) return;
  const std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
  const std::wstring uninstaller = state.DestFolder + L"\\Uninstall.exe";
  const wchar_t* root = L"HKEY_LOCAL_MACHINE";
  WriteRegistryEntry(root, key, L"DisplayName", 0, state.AppName, state);
  WriteRegistryEntry(root, key, L"DisplayIcon", 0, uninstaller, state);
  WriteRegistryEntry(root, key, L"Publisher", 0, state.Site, state);
  WriteRegistryEntry(root, key, L"UninstallString", 0, L"\"" + uninstaller + L"\"", state);
  WriteRegistryEntry(root, key, L"URLInfoAbout", 0, state.Site, state);
}

}  // namespace bramlow
