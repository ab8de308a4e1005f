#include "bramlow/actions/entries/shortcut_entry.h"

#include <windows.h>

#include "bramlow/actions/entries/path_parts.h"
#include "bramlow/actions/entries/shortcut.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/state/destination_check.h"
#include "bramlow/text/macro_text.h"
#include "winbase/text.h"

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
  return !ContainsNoCase(unexpandedLinkName, L"%Desktop%") &&
         !ContainsNoCase(unexpandedLinkName, L"%Startup%");
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
  const std::wstring step = L"shortcut " + shortcut.linkFile + L" -> " + shortcut.target;

  // The list could name the link only by a look-alike, which is another file.
  if (context.KeepsUninstallList() && !winbase::FitsCodePage(shortcut.linkFile)) {
    Steps().Line(step + L": failed (" +
                 DestinationProblemText(DestinationProblem::OutsideTheCodePage, shortcut.linkFile) +
                 L")");
    return;
  }
  // Only a folder the link made is the installation's to take away again: a Start-menu folder
  // that was there (the system's own, one the user keeps his shortcuts in) stays.
  const std::wstring linkFolder = FolderPart(shortcut.linkFile);
  const bool folderWasThere =
      linkFolder.empty() || GetFileAttributesW(linkFolder.c_str()) != INVALID_FILE_ATTRIBUTES;

  // The link object does not say whether its file was saved; the file itself does.
  const bool linkObject = CreateShortcut(shortcut);
  const bool saved =
      linkObject && GetFileAttributesW(shortcut.linkFile.c_str()) != INVALID_FILE_ATTRIBUTES;
  Steps().Line(step + (saved        ? L": ok"
                       : linkObject ? L": failed (the link file was not written)"
                                    : L": failed (no shell link object)"));

  if (!context.KeepsUninstallList()) return;
  context.RecordNextFile(shortcut.linkFile);
  // As the uninstaller will read it, so an unchanged link compares equal. A target or argument
  // the list cannot hold as it is goes unrecorded: such a link is told by where it leads.
  if (const auto leadsTo = saved ? ReadShortcut(shortcut.linkFile) : std::nullopt;
      leadsTo && winbase::FitsCodePage(leadsTo->target + leadsTo->arguments))
    context.RecordLinkOfLastFile(leadsTo->target, leadsTo->arguments);
  const std::wstring folder = CurrentFolderForm(linkFolder);
  const bool folderMade =
      !folderWasThere && GetFileAttributesW(linkFolder.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (LinkHasOwnFolder(linkName) && folderMade) context.RecordNextFolder(folder);
}

}  // namespace bramlow
