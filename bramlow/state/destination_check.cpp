#include "bramlow/state/destination_check.h"

#include <windows.h>

#include "winbase/text.h"

namespace bramlow {

DestinationProblem CheckDestination(const std::wstring& folder) {
  DestinationSystem system;
  // A character without an ANSI form comes back as '?' or as a look-alike ("e" for an "ε").
  system.fitsCodePage = [](const std::wstring& text) {
    return winbase::Widen(winbase::Narrow(text)) == text;
  };
  system.rootExists = [](const std::wstring& root) {
    if (root[1] == L':') return GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR;
    return GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES;
  };
  return CheckDestinationWith(folder, system);
}

}  // namespace bramlow
