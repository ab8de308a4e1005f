#include "bramlow/actions/entries/registry_root.h"

#include "bramlow/actions/entries/path_parts.h"

namespace bramlow {

HKEY RootFromName(const std::wstring& name) {
  struct Root {
    const wchar_t* name;
    HKEY key;
  };
  static const Root roots[] = {
      {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},     {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
      {L"HKEY_USERS", HKEY_USERS},                   {L"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
      {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {L"HKEY_DYN_DATA", HKEY_DYN_DATA},
  };
  const std::wstring upper = UpperAsciiLetters(name);
  for (const auto& root : roots) {
    if (upper == root.name) return root.key;
  }
  return HKEY_CURRENT_USER;
}

}  // namespace bramlow
