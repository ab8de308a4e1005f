#pragma once
#include <optional>
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

// What a shortcut file leads to, as its link records it: the target's path as written (not
// resolved) and the arguments. The installer lists it beside the link; the uninstaller reads it
// again to tell whether another installation has written over the link since.
struct ShortcutLeadsTo {
  std::wstring target;
  std::wstring arguments;
};
// Nothing when the file is no shortcut or cannot be read.
std::optional<ShortcutLeadsTo> ReadShortcut(const std::wstring& linkFile);

}  // namespace bramlow
