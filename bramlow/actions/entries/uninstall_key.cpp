#include "bramlow/actions/entries/uninstall_key.h"

#include <windows.h>

#include "bramlow/actions/entries/step_log.h"
#include "winbase/handles.h"

namespace bramlow {

std::wstring UninstallKeyName(const std::wstring& appName) {
  std::wstring name = appName;
  // A backslash would make nested keys, which the system lists as none of its programs and
  // whose first level stays behind after the removal.
  for (auto& ch : name) {
    if (ch == L'.' || ch == L' ' || ch == L'\\') ch = L'_';
  }
  return name;
}

void WriteUninstallKey(const TSetupState& state) {
  const std::wstring name = UninstallKeyName(state.AppName);
  if (name.empty()) return;
  const std::wstring keyPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
  const std::wstring step = L"registry value HKEY_LOCAL_MACHINE\\" + keyPath + L"\\";
  winbase::RegKey key;
  const LONG opened =
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (opened != ERROR_SUCCESS) {
    static_cast<void>(key.release());
    Steps().Result(L"uninstall key HKEY_LOCAL_MACHINE\\" + keyPath, false,
                   static_cast<DWORD>(opened));
    return;
  }
  // Every text is final already: a second macro pass would take a backslash off a network
  // path ("\\\\server\\share") and read a percent sign in a name as the start of a macro.
  auto put = [&](const wchar_t* valueName, const std::wstring& text) {
    const LONG written =
        RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    Steps().Result(step + valueName, written == ERROR_SUCCESS, static_cast<DWORD>(written));
  };
  const std::wstring uninstaller = state.DestFolder + L"\\Uninstall.exe";
  put(L"DisplayName", state.AppName);
  put(L"DisplayIcon", uninstaller);
  put(L"Publisher", state.Site);
  put(L"UninstallString", L"\"" + uninstaller + L"\"");
  put(L"URLInfoAbout", state.Site);
}

}  // namespace bramlow
