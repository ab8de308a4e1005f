// Scratch folders (testing/support) and registry keys for the self-installation tests: each
// test gets its own, removed afterwards, so nothing of the prefix's real registration is touched.
#pragma once

#include <windows.h>

#include <string>

#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "testing/support/tree_removal.h"

namespace korvel::testing {

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::RemoveTree;
using testsupport::ScratchFolder;
using testsupport::WriteBytes;

// A key under HKEY_CURRENT_USER standing in for a registry root; deleted with its subkeys.
class ScratchRoot {
 public:
  explicit ScratchRoot(const std::wstring& name);
  ~ScratchRoot();
  ScratchRoot(const ScratchRoot&) = delete;
  ScratchRoot& operator=(const ScratchRoot&) = delete;
  HKEY Get() const { return key_; }
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

}  // namespace korvel::testing
