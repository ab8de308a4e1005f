#include "bramlow/actions/entries/registry_entry.h"

#include <windows.h>

#include "bramlow/text/registry_text.h"
#include "bramlow/actions/entries/registry_root.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/state/destination_check.h"
#include "bramlow/state/runtime_error.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace bramlow {

namespace {

bool ValueExists(HKEY key, const wchar_t* name) {
  const LONG result = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr);
  return result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
}

// Why the uninstall list cannot name the value as written; empty when it can.
std::wstring UnlistableEntry(const std::wstring& rootName, const std::wstring& keyPath,
                             const std::wstring& valueName) {
  if (!winbase::FitsCodePage(rootName + keyPath + valueName))
    return DestinationProblemText(DestinationProblem::OutsideTheCodePage, keyPath);
  // "Software\\\\Example", "\\Software": the registry takes another key than the text says.
  if (!keyPath.empty() && (keyPath.front() == L'\\' || keyPath.back() == L'\\' ||
                           keyPath.find(L"\\\\") != std::wstring::npos))
    return L"a key name with an empty part";
  return {};
}

}  // namespace

bool WriteRegistryEntry(const std::wstring& rootName, const std::wstring& keyPath,
                        const std::wstring& valueName, int type, const std::wstring& data,
                        const ActionContext& context) {
  const HKEY root = RootFromName(rootName);
  const std::wstring expanded = context.Expand(data);
  const std::wstring step = L"registry value " + rootName + L"\\" + keyPath + L"\\" + valueName;
  if (context.KeepsUninstallList()) {
    if (const std::wstring why = UnlistableEntry(rootName, keyPath, valueName); !why.empty()) {
      Steps().Line(step + L": failed (" + why + L")");
      return false;
    }
  }
  winbase::RegKey key;
  const LONG opened = RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
  if (opened != ERROR_SUCCESS) {
    static_cast<void>(key.release());  // holds nothing usable after a failure
    Steps().Result(step, false, static_cast<DWORD>(opened));
    return false;
  }
  const wchar_t* name = valueName.c_str();
  const bool existed = ValueExists(key.get(), name);
  LONG written = ERROR_INVALID_DATA;
  switch (type) {
    case 0:
      written = RegSetValueExW(key.get(), name, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(expanded.c_str()),
                               static_cast<DWORD>((expanded.size() + 1) * sizeof(wchar_t)));
      break;
    case 1: {
      const auto number = ParseRegistryInteger(data);
      if (!number) {
        key.reset();
        StopWithRuntimeError(L"'" + data + L"' is not a valid integer value");
      }
      const DWORD value = static_cast<DWORD>(*number);
      written = RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                               sizeof(value));
      break;
    }
    case 2: {
      const std::string bytes = winbase::Narrow(data);
      written = RegSetValueExW(key.get(), name, 0, REG_BINARY,
                               reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size()));
      break;
    }
    default:
      // An unknown type writes nothing; the log says so rather than claiming a value.
      Steps().Line(step + L": not written (type " + std::to_wstring(type) + L" is unknown)");
      return false;
  }
  Steps().Result(step, written == ERROR_SUCCESS, static_cast<DWORD>(written));
  // Only a value this installation made is the uninstaller's to delete.
  return written == ERROR_SUCCESS && !existed;
}

}  // namespace bramlow
