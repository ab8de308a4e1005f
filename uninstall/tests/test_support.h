// Helpers of the uninstaller's tests: files, list entries, registry values and a scripted
// conversation with the user.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "testing/support/tree_removal.h"
#include "uninstall_flow.h"

namespace uninstall::testing {

using testsupport::Exists;
using testsupport::ReadBytes;
using testsupport::RemoveTree;
using testsupport::ScratchFolder;
// A small file with one byte in it.
void Touch(const std::wstring& path);
void Put(const std::wstring& ini, const std::wstring& section, const std::wstring& key, const std::wstring& value);
bool ValueExists(HKEY root, const std::wstring& key, const wchar_t* value);
void SetValue(HKEY root, const std::wstring& key, const wchar_t* value, const std::wstring& data = L"v");
bool KeyExists(HKEY root, const std::wstring& key);
// A file the build made, as the test program under Wine sees it.
std::wstring BuiltFile(const char* unixPath);

class ScriptedDialogs : public Dialogs {
 public:
  explicit ScriptedDialogs(bool answer) : defaultAnswer(answer) {}
  bool Confirm(const std::wstring& caption, const std::wstring& question) override;
  void Inform(const std::wstring& caption, const std::wstring& text, bool isError) override;

  std::deque<bool> answers;  // taken in order; then defaultAnswer
  bool defaultAnswer;
  std::vector<std::wstring> asked, told;
  std::wstring caption;
  bool lastWasError = false;
};

}  // namespace uninstall::testing
