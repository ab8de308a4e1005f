#include "folder_names.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace testsupport {

std::vector<NativePath> FolderNames(const fs::path& folder) {
  std::vector<NativePath> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    names.push_back(it->path().filename().native());
  return names;
}

std::vector<NativePath> SortedFolderNames(const fs::path& folder) {
  std::vector<NativePath> names = FolderNames(folder);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testsupport
