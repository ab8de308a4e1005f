// The names in a folder, for tests that check what a run left there.
#pragma once

#include <filesystem>
#include <vector>

#include "testing/support/native_path.h"

namespace testsupport {

// Files and folders directly in the folder, in the order the system lists them; none when the
// folder is missing.
std::vector<NativePath> FolderNames(const std::filesystem::path& folder);
// The same names sorted by their characters' codes.
std::vector<NativePath> SortedFolderNames(const std::filesystem::path& folder);

}  // namespace testsupport
