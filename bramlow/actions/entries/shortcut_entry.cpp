#include "bramlow/actions/entries/shortcut_entry.h"

#include <windows.h>

#include "bramlow/actions/entries/path_parts.h"
#include "bramlow/actions/entries/shortcut.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/text/macro_text.h"

namespace bramlow {

namespace {
// The folder as the system reports a current folder: no trailing backslash except a root.
std::wstring CurrentFolderForm(const std::wstring& folder) {
  if (SetCurrentDirectoryW(folder.c_str())) {
    wchar_t current[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, current);
    if (length > 0 && length <= MAX_PATH) return std::wstring(current, length);
  }
  // The folder could not be entered (its creation failed): name it all the same, never the
  // folder that happens to be current.
  std::wstring form = folder;
  while (form.size() > 1 && form.back() == L'\\' && form[form.size() - 2] != L':') form.pop_back();
  return form;
}
}  // namespace

bool LinkHasOwnFolder(const std::wstring& unexpandedLinkName) {
  return !ContainsNoCase(unexpandedLinkName, L"%Desktop%") && !ContainsNoCase(unexpandedLinkName, L"%Startup%");
}

void ShortcutEntry(int n, ActionContext& context) {
  ProfileFile* item = context.ScriptItem(L"Lnk", n);
  if (!item) return;
  ProfileFile& script = *item;
  ShortcutSpec shortcut;
  shortcut.arguments = context.Expand(script.ProfileText(L"Arg", L""));
  shortcut.iconFile = context.Expand(script.ProfileText(L"Icon", L""));
  shortcut.iconIndex = script.ProfileInteger(L"Index", 0);
  shortcut.workFolder = context.Expand(script.ProfileText(L"WorkFolder", L""));
  shortcut.target = context.Expand(script.ProfileText(L"FileName", L""));
  const std::wstring linkName = script.ProfileText(L"LinkName", L"");
  shortcut.linkFile = context.Expand(linkName);

  // The link object does not say whether its file was saved; the file itself does.
  const bool linkObject = CreateShortcut(shortcut);
  const bool saved = linkObject && GetFileAttributesW(shortcut.linkFile.c_str()) != INVALID_FILE_ATTRIBUTES;
  Steps().Line(L"shortcut " + shortcut.linkFile + L" -> " + shortcut.target +
               (saved ? L": ok" : linkObject ? L": failed (the link file was not written)"
                                             : L": failed (no shell link object)"));

  if (!context.KeepsUninstallList()) return;
  context.RecordNextFile(shortcut.linkFile);
  const std::wstring folder = CurrentFolderForm(FolderPart(shortcut.linkFile));
  if (LinkHasOwnFolder(linkName)) context.RecordNextFolder(folder);
}

}  // namespace bramlow
