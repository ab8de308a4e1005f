#include "korvel/library/plain_file_name.h"

#include <windows.h>

#include "winbase/text.h"
#include "ziparchive/platform/device_name.h"

namespace korvel {

FileNameFault FileNameFaultOf(const std::wstring& name) {
  if (name.empty()) return FileNameFault::Empty;
  for (wchar_t c : name)
    if (c < 0x20 || c == L'"') return FileNameFault::QuoteOrControl;
  if (name.find_first_of(L"\\/:*?<>|") != std::wstring::npos)
    return FileNameFault::ForbiddenCharacter;
  if (name.back() == L' ') return FileNameFault::BlankAtEnd;
  if (name.back() == L'.') return FileNameFault::DotAtEnd;
  // The archive engine refuses the same device names in stored member names; it reads UTF-8.
  if (ziparchive::IsDeviceName(winbase::ToUtf8(name))) return FileNameFault::Device;
  if (name.size() > 255) return FileNameFault::TooLong;
  return FileNameFault::None;
}

bool IsPictureName(const std::wstring& name) {
  const std::size_t end = name.find_last_not_of(L". ");
  if (end == std::wstring::npos || end < 3) return false;
  return FoldedName(name.substr(end - 3, 4)) == L".BMP";
}

std::wstring FoldedName(const std::wstring& name) {
  std::wstring folded = name;
  if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
  return folded;
}

}  // namespace korvel
