#include "bramlow/actions/entries/copy_files.h"

#include <windows.h>

#include "bramlow/actions/entries/answering_copy.h"
#include "bramlow/actions/entries/folder_chain.h"
#include "bramlow/actions/entries/path_parts.h"
#include "bramlow/actions/entries/source_tree.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/state/destination_check.h"
#include "bramlow/state/language_texts.h"
#include "bramlow/state/runtime_error.h"
#include "bramlow/formats/uninstall_list.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace bramlow {

namespace {

void LogSkipped(const std::wstring& from, const std::wstring& to) {
  Steps().Line(L"copy " + from + L" -> " + to +
               L": skipped (an earlier copy in its folder failed)");
}

// After a failed copy the rest of its folder is not tried (as it always was); each file left
// behind still gets its line, so the log accounts for every file of the tree.
void LogSkippedFolder(const SourceTree& tree, std::size_t listing, const std::wstring& source,
                      const std::wstring& destination) {
  for (const SourceTree::Entry& entry : tree.folders[listing]) {
    const std::wstring from = JoinPath(source, entry.name);
    const std::wstring to = JoinPath(destination, entry.name);
    if (entry.IsFolder())
      LogSkippedFolder(tree, entry.listing, from, to);
    else
      LogSkipped(from, to);
  }
}

// Why a name of the tree cannot be made by an installation that lists what it makes: the list
// is written in the ANSI code page, and a look-alike of the name would name another file (the
// user's "cafe.txt" for the kit's "café.txt"). The folder page refuses such a destination for
// the same reason. Empty when it can.
std::wstring UnlistableName(const TSetupState& state, const wchar_t* name) {
  if (!state.CreateUninst || winbase::FitsCodePage(name)) return {};
  return DestinationProblemText(DestinationProblem::OutsideTheCodePage, name);
}

// What became of a folder of the tree, made under the destination.
enum class TreeFolder {
  Made,     // made now, or there before: a folder now, to be listed
  NotMade,  // the system refused to make it (logged): the copies into it fail one by one
  Refused,  // its name cannot be listed, or a file of that name stands there: a failed step,
            // and nothing of it is tried (into a folder of that name made earlier, the copies
            // would be listed under a look-alike)
};

TreeFolder MakeTreeFolder(TSetupState& state, const std::wstring& to, const wchar_t* name) {
  std::wstring why = UnlistableName(state, name);
  if (why.empty()) {
    const bool created = CreateDirectoryW(to.c_str(), nullptr);
    const DWORD error = created ? 0 : GetLastError();
    const DWORD attributes = error == ERROR_ALREADY_EXISTS ? GetFileAttributesW(to.c_str()) : 0;
    if (error != ERROR_ALREADY_EXISTS ||
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))) {
      SetLastError(error);
      LogFolderMade(to, created);
      return created || error == ERROR_ALREADY_EXISTS ? TreeFolder::Made : TreeFolder::NotMade;
    }
    why = L"a file of that name is there";
  }
  Steps().Line(L"make folder " + to + L": failed (" + why + L")");
  state.CopyFailed = true;
  return TreeFolder::Refused;
}

// copying: language text 20, read once for the whole tree rather than once per file.
void CopyFolder(TSetupState& state, IActionHost& host, const std::wstring& copying,
                const SourceTree& tree, std::size_t listing, const std::wstring& source,
                const std::wstring& destination) {
  bool skipping = false;
  for (const SourceTree::Entry& entry : tree.folders[listing]) {
    const std::wstring& name = entry.name;
    const std::wstring from = JoinPath(source, name);
    const std::wstring to = JoinPath(destination, name);
    if (entry.IsFolder()) {
      if (skipping) {
        LogSkippedFolder(tree, entry.listing, from, to);
        continue;
      }
      ++state.FolderCounter;
      const TreeFolder made = MakeTreeFolder(state, to, name.c_str());
      if (made == TreeFolder::Refused) {
        LogSkippedFolder(tree, entry.listing, from, to);
        continue;
      }
      if (made == TreeFolder::Made && state.CreateUninst)
        RecordFolder(state, state.FolderCounter, to);
      CopyFolder(state, host, copying, tree, entry.listing, from, to);
    } else if (skipping) {
      LogSkipped(from, to);
    } else {
      ++state.CopiedCounter;
      host.ShowStatus(FormatOrStop(copying, name));
      host.SetProgressPosition(state.CopiedCounter);
      host.ProcessPendingMessages();
      const std::wstring unlistable = UnlistableName(state, name.c_str());
      const bool copied =
          unlistable.empty() && CopyFileAnswering(from, to, state.FailIfExists, entry.size, host);
      const DWORD error = copied || !unlistable.empty() ? 0 : GetLastError();
      Steps().Copy(from, to, copied, error, unlistable);
      if (!copied) {
        state.CopyFailed = true;
        skipping = true;
        continue;
      }
      // The copy takes the source's attributes: only a read-only source gives a read-only copy,
      // and the walk has said which it is (one question of the file system less per file).
      if (entry.attributes & FILE_ATTRIBUTE_READONLY) ClearReadOnly(to);
      if (state.CreateUninst) RecordFile(state, state.CopiedCounter, to);
    }
  }
}

}  // namespace

void ClearReadOnly(const std::wstring& copy) {
  const DWORD attributes = GetFileAttributesW(copy.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(copy.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

void CountTreeFiles(const std::wstring& folder, TSetupState& state) {
  state.FileCounter += WalkSourceTree(folder, state, nullptr).files;
}

SourceTree CountTreeFiles(const std::wstring& folder, TSetupState& state, IActionHost& host) {
  SourceTree tree = WalkSourceTree(folder, state, &host);
  state.FileCounter += tree.files;
  return tree;
}

void CopyTree(const SourceTree& tree, TSetupState& state, IActionHost& host) {
  if (state.SourceFolder.empty() || state.DestFolder.empty() || tree.root.empty()) return;
  const std::wstring& folder = tree.root;
  // Only the leading SourceFolder part maps to the destination; a folder outside the tree
  // has no destination at all.
  const std::size_t prefix = state.SourceFolder.size();
  if (folder.size() < prefix ||
      CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, folder.c_str(), static_cast<int>(prefix),
                     state.SourceFolder.c_str(), static_cast<int>(prefix)) != CSTR_EQUAL)
    return;
  const std::wstring rest = folder.substr(prefix);
  // "C:\src2" is not inside "C:\src".
  const wchar_t last = state.SourceFolder.back();
  if (!rest.empty() && rest[0] != L'\\' && last != L'\\' && last != L':') return;
  const std::wstring destination = rest.find_first_not_of(L'\\') == std::wstring::npos
                                       ? state.DestFolder
                                       : JoinPath(state.DestFolder, rest);
  CopyFolder(state, host, LangText(state, 20), tree, 0, folder, destination);
}

void CopyTree(const std::wstring& folder, TSetupState& state, IActionHost& host) {
  if (state.SourceFolder.empty() || state.DestFolder.empty()) return;
  CopyTree(WalkSourceTree(folder, state, nullptr), state, host);
}

}  // namespace bramlow
