#include "tree_removal.h"

#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

// A read-only file cannot be deleted on Windows, nor an entry of a read-only folder elsewhere.
void AllowWriting(const fs::path& entry) {
  std::error_code ignored;
  fs::permissions(entry, fs::perms::owner_write, fs::perm_options::add, ignored);
}

}  // namespace

void RemoveTree(const fs::path& folder) noexcept {
  try {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(folder, error);
    if (error || !fs::exists(status)) return;
    if (fs::is_directory(status)) {
      AllowWriting(folder);
      // Listed in full before anything goes, so that removing cannot disturb the listing.
      std::vector<fs::directory_entry> entries;
      for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
      for (const fs::directory_entry& entry : entries) {
        if (entry.is_symlink(error) || !entry.is_directory(error)) {
          AllowWriting(entry.path());
          fs::remove(entry.path(), error);
        } else {
          RemoveTree(entry.path());
        }
      }
    }
    fs::remove(folder, error);
  } catch (...) {
    // Only allocation can throw here; the clean-up is then left undone.
  }
}

}  // namespace testsupport
