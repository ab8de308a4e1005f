#include "bramlow/actions/ini_entry.h"

#include "bramlow/actions/folder_macros.h"
#include "bramlow/actions/profile_file.h"

namespace bramlow {

void WriteIniEntry(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& data, const TSetupState& state) {
  const std::wstring path = ExpandMacros(file, state);
  // The profile functions would put a file without a name into the Windows folder.
  if (path.empty()) return;
  ProfileFile target(path, section, ProfileMode::Write);
  target.ProfileText(key, ExpandMacros(data, state));
}

}  // namespace bramlow
