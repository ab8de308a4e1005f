#include "bramlow/actions/entries/ini_entry.h"

#include <windows.h>

#include "bramlow/actions/entries/step_log.h"

namespace bramlow {

void WriteIniEntry(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& data, const ActionContext& context) {
  const std::wstring path = context.Expand(file);
  // The profile functions would put a file without a name into the Windows folder.
  if (path.empty()) return;
  const std::wstring value = context.Expand(data);
  // Written directly rather than through a ProfileFile so the result can be logged.
  const bool written = WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), path.c_str());
  const DWORD error = written ? 0 : GetLastError();
  Steps().Result(L"INI entry [" + section + L"] " + key + L"=" + value + L" in " + path, written, error);
}

}  // namespace bramlow
