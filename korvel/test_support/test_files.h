// The Korvel tests' names for the shared test helpers (testing/support): scratch folders and
// registry keys, file bytes, the system's folders, and the names in a folder.
#pragma once

#include <set>
#include <string>

#include "testing/support/file_bytes.h"
#include "testing/support/folder_names.h"
#include "testing/support/scratch_folder.h"
#include "testing/support/scratch_key.h"
#include "testing/support/system_folders.h"
#include "testing/support/tree_removal.h"

namespace korvel::testing {

using testsupport::Exists;
using testsupport::FolderExists;
using testsupport::ReadBytes;
using testsupport::RemoveTree;
using testsupport::ScratchFolder;
using testsupport::ScratchKey;
using testsupport::SystemFolder;
using testsupport::TemporaryFolder;
using testsupport::TestProgramFolder;
using testsupport::WriteBytes;

// Files and folders directly in the folder, as a set to compare with.
inline std::set<std::wstring> NamesIn(const std::wstring& folder) {
  const auto names = testsupport::FolderNames(folder);
  return {names.begin(), names.end()};
}

}  // namespace korvel::testing
