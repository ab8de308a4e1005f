#pragma once
#include <string>

namespace bramlow {

struct ShortcutSpec {
  std::wstring target;
  std::wstring arguments;
  std::wstring workFolder;
  std::wstring description;
  std::wstring linkFile;
  int iconIndex = 0;
  std::wstring iconFile;
};

// Writes a shell link file through the system's shell link object. The link's folder is
// created when missing, one level only. False when the shell link object or its file
// interface is unavailable; a failed save is not reported.
bool CreateShortcut(const ShortcutSpec& shortcut);

}  // namespace bramlow
