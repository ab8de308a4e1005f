#pragma once
// The source tree of an installation as one walk of it found it. The count that sizes the
// progress bar and the copy both go over this listing, so the tree is read from the disk once:
// a second walk of thousands of entries cost a twentieth of the copy's time.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "bramlow/actions/entries/action_host.h"
#include "bramlow/state/setup_state.h"

namespace bramlow {

struct SourceTree {
  struct Entry {
    std::wstring name;
    DWORD attributes = 0;
    std::size_t listing = 0;  // a folder: the index of its own entries in `folders`
    unsigned long long size = 0;  // a file: its size when the walk found it
    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  };
  std::wstring root;
  // folders[0] holds the root's entries, in the order the system gave them.
  std::vector<std::vector<Entry>> folders;
  int files = 0;  // files at every level
};

// Walks folder and everything below it. A folder that is the installation's destination is
// left out: it would be walked while it is being filled. host, when given, handles its
// window's messages as the walk goes (a tree of thousands of files takes a noticeable
// moment). An empty folder text lists nothing: it must never mean the root of the current
// drive; a folder that cannot be read has no entries.
SourceTree WalkSourceTree(const std::wstring& folder, const TSetupState& state,
                          IActionHost* host);

}  // namespace bramlow
