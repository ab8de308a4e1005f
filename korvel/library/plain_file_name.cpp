#include "korvel/library/plain_file_name.h"

#include "winbase/text.h"
#include "ziparchive/platform/device_name.h"

namespace korvel {

bool IsPlainFileName(const std::wstring& name) {
  if (name.empty() || name.back() == L'.' || name.back() == L' ') return false;
  if (name.find_first_of(L"\\/:") != std::wstring::npos) return false;
  // The archive engine refuses the same device names in stored member names; it reads UTF-8.
  return !ziparchive::IsDeviceName(winbase::ToUtf8(name));
}

}  // namespace korvel
