// The library tests' shared helpers: scratch folders and file bytes (testing/support), the
// temporary, build and system folders, and a folder's names.
#pragma once
#include <windows.h>

#include <set>
#include <string>

#include "folder_utils.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "ui/application.h"
#include "winbase/module_path.h"

namespace korvel::testing {

inline std::wstring TempRoot() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring root(buffer, length);
  if (!root.empty() && root.back() == L'\\') root.pop_back();
  return root;
}

using testsupport::FolderExists;
using testsupport::ReadBytes;
using testsupport::ScratchFolder;
using testsupport::WriteBytes;

// The folder the test program (and the programs built beside it) lies in, with its "\\".
inline std::wstring BuildFolder() {
  const std::wstring self = winbase::ProgramPath();
  return self.substr(0, self.find_last_of(L'\\') + 1);
}

inline std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH] = {};
  GetSystemDirectoryW(buffer, MAX_PATH);
  return buffer;
}

inline std::set<std::wstring> NamesIn(const std::wstring& folder) {
  const auto names = ListMatches(folder + L"\\*");
  return {names.begin(), names.end()};
}

}  // namespace korvel::testing
