// Removal of a folder with everything in it, for scratch folders and leftovers of a test.
#pragma once

#include <filesystem>

namespace testsupport {

// Removes the folder and its whole tree, read-only files too. Whatever cannot go (a file a
// running program holds) stays and the rest still goes: a test's clean-up never fails it.
void RemoveTree(const std::filesystem::path& folder) noexcept;

}  // namespace testsupport
