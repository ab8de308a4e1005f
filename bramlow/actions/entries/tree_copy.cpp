#include "bramlow/actions/entries/copy_files.h"

#include <windows.h>

#include "bramlow/actions/entries/folder_chain.h"
#include "bramlow/actions/entries/path_parts.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/state/language_texts.h"
#include "bramlow/state/runtime_error.h"
#include "bramlow/formats/uninstall_list.h"
#include "winbase/handles.h"

namespace bramlow {

namespace {

bool IsDotEntry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

// A destination inside the source tree would otherwise be walked while it is being filled.
bool IsDestinationItself(const TSetupState& state, const std::wstring& sourceFolder) {
  return SamePath(sourceFolder, state.DestFolder);
}

void CountFolder(TSetupState& state, const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  winbase::FindHandle search(FindFirstFileW(JoinPath(folder, L"*.*").c_str(), &found));
  if (!search) return;
  do {
    if (IsDotEntry(found.cFileName)) continue;
    const std::wstring child = JoinPath(folder, found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!IsDestinationItself(state, child)) CountFolder(state, child);
    } else {
      ++state.FileCounter;
    }
  } while (FindNextFileW(search.get(), &found));
}

void LogSkipped(const std::wstring& from, const std::wstring& to) {
  Steps().Line(L"copy " + from + L" -> " + to +
               L": skipped (an earlier copy in its folder failed)");
}

// After a failed copy the rest of its folder is not tried (as it always was); each file left
// behind still gets its line, so the log accounts for every file of the tree.
void LogSkippedFolder(TSetupState& state, const std::wstring& source,
                      const std::wstring& destination) {
  WIN32_FIND_DATAW found;
  winbase::FindHandle search(FindFirstFileW(JoinPath(source, L"*.*").c_str(), &found));
  if (!search) return;
  do {
    if (IsDotEntry(found.cFileName)) continue;
    const std::wstring from = JoinPath(source, found.cFileName);
    const std::wstring to = JoinPath(destination, found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!IsDestinationItself(state, from)) LogSkippedFolder(state, from, to);
    } else {
      LogSkipped(from, to);
    }
  } while (FindNextFileW(search.get(), &found));
}

// copying: language text 20, read once for the whole tree rather than once per file.
void CopyFolder(TSetupState& state, IActionHost& host, const std::wstring& copying,
                const std::wstring& source, const std::wstring& destination) {
  WIN32_FIND_DATAW found;
  winbase::FindHandle search(FindFirstFileW(JoinPath(source, L"*.*").c_str(), &found));
  if (!search) return;
  bool skipping = false;
  do {
    if (IsDotEntry(found.cFileName)) continue;
    const std::wstring name = found.cFileName;
    const std::wstring from = JoinPath(source, name);
    const std::wstring to = JoinPath(destination, name);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (IsDestinationItself(state, from)) continue;
      if (skipping) {
        LogSkippedFolder(state, from, to);
        continue;
      }
      ++state.FolderCounter;
      LogFolderMade(to, CreateDirectoryW(to.c_str(), nullptr));
      if (state.CreateUninst) RecordFolder(state, state.FolderCounter, to);
      CopyFolder(state, host, copying, from, to);
    } else if (skipping) {
      LogSkipped(from, to);
    } else {
      ++state.CopiedCounter;
      host.ShowStatus(FormatOrStop(copying, name));
      host.SetProgressPosition(state.CopiedCounter);
      host.ProcessPendingMessages();
      const bool copied = CopyFileW(from.c_str(), to.c_str(), state.FailIfExists ? TRUE : FALSE);
      const DWORD error = copied ? 0 : GetLastError();
      Steps().Copy(from, to, copied, error);
      if (!copied) {
        state.CopyFailed = true;
        skipping = true;
        continue;
      }
      // The copy takes the source's attributes: only a read-only source gives a read-only copy,
      // and the search has said which it is (one question of the file system less per file).
      if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ClearReadOnly(to);
      if (state.CreateUninst) RecordFile(state, state.CopiedCounter, to);
    }
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace

void ClearReadOnly(const std::wstring& copy) {
  const DWORD attributes = GetFileAttributesW(copy.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(copy.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

void CountTreeFiles(const std::wstring& folder, TSetupState& state) {
  if (folder.empty()) return;
  CountFolder(state, folder);
}

void CopyTree(const std::wstring& folder, TSetupState& state, IActionHost& host) {
  if (state.SourceFolder.empty() || state.DestFolder.empty()) return;
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
  CopyFolder(state, host, LangText(state, 20), folder, destination);
}

}  // namespace bramlow
