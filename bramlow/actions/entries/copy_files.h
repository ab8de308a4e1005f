#pragma once
#include <string>

#include "bramlow/actions/entries/action_context.h"
#include "bramlow/actions/entries/action_host.h"
#include "bramlow/actions/entries/source_tree.h"
#include "bramlow/state/setup_state.h"

namespace bramlow {

// A copy takes its source's attributes, and a source on a CD is read-only: the installed copy
// must not be, or the user (and the uninstaller, which leaves read-only files alone) could not
// change or remove it.
void ClearReadOnly(const std::wstring& copy);

// Adds the number of files below folder (all levels) to FileCounter. An empty folder text
// counts nothing: it must never mean the root of the current drive.
void CountTreeFiles(const std::wstring& folder, TSetupState& state);
// The same count, handling host's messages while it walks, and what the walk found, for the
// copy of that folder.
SourceTree CountTreeFiles(const std::wstring& folder, TSetupState& state, IActionHost& host);

// Copies folder, a folder of the SourceFolder tree (the first call passes SourceFolder
// itself), into its destination: its leading SourceFolder part replaced by DestFolder, with
// one backslash between. Per file: CopiedCounter advances, the status shows language text 20
// with the bare file name, the progress position follows, pending messages are handled; a
// file that cannot be copied (also one that exists while FailIfExists) sets CopyFailed and
// ends the copy of its folder. Copied files ("files", CopiedCounter) and created subfolders
// ("folders", FolderCounter) are recorded for the uninstaller. An empty SourceFolder or
// DestFolder copies nothing.
void CopyTree(const std::wstring& folder, TSetupState& state, IActionHost& host);
// The same copy of tree.root, from the entries its count found.
void CopyTree(const SourceTree& tree, TSetupState& state, IActionHost& host);

// Single-file item n of the script (section "Oth" + n): shows language text 20 with the
// expanded destination, creates the destination's folder chain, records the destination for
// the uninstaller when no file was there before, copies the source over it (always
// replacing; the result is not examined), and with "Ocx" = 1 shows text 21 with the file
// name, registers the file by that bare name and records it under "Ocx".
void CopyFileEntry(int n, ActionContext& context, IActionHost& host);

}  // namespace bramlow
