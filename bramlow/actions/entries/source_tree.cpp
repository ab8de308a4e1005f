#include "bramlow/actions/entries/source_tree.h"

#include "bramlow/actions/entries/path_parts.h"
#include "winbase/handles.h"

namespace bramlow {

namespace {

bool IsDotEntry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

// Lists path into tree.folders[index]; returns the number of files below it.
int ListFolder(SourceTree& tree, std::size_t index, const std::wstring& path,
               const TSetupState& state, IActionHost* host) {
  int files = 0;
  WIN32_FIND_DATAW found;
  winbase::FindHandle search(FindFirstFileW(JoinPath(path, L"*.*").c_str(), &found));
  if (!search) return 0;
  do {
    if (host) host->ProcessPendingMessages();
    if (IsDotEntry(found.cFileName)) continue;
    SourceTree::Entry entry{found.cFileName, found.dwFileAttributes, 0,
                            (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) |
                                found.nFileSizeLow};
    if (!entry.IsFolder()) {
      ++files;
      tree.folders[index].push_back(std::move(entry));
      continue;
    }
    const std::wstring child = JoinPath(path, entry.name);
    if (SamePath(child, state.DestFolder)) continue;
    entry.listing = tree.folders.size();
    tree.folders.emplace_back();
    const std::size_t listing = entry.listing;
    // Added before the walk below it: the vector of folders grows during that walk.
    tree.folders[index].push_back(std::move(entry));
    files += ListFolder(tree, listing, child, state, host);
  } while (FindNextFileW(search.get(), &found));
  return files;
}

}  // namespace

SourceTree WalkSourceTree(const std::wstring& folder, const TSetupState& state,
                          IActionHost* host) {
  SourceTree tree;
  tree.root = folder;
  tree.folders.emplace_back();
  if (!folder.empty()) tree.files = ListFolder(tree, 0, folder, state, host);
  return tree;
}

}  // namespace bramlow
