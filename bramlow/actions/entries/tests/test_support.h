// Helpers of the actions' tests: a recording host, a setup state with its files, INI values;
// scratch folders and file bytes come from testing/support.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "bramlow/actions/entries/action_host.h"
#include "bramlow/state/setup_state.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "testing/support/tree_removal.h"

namespace bramlow::testing {

using testsupport::FileExists;
using testsupport::FolderExists;
using testsupport::ReadBytes;
using testsupport::RemoveTree;
using testsupport::ScratchFolder;
using testsupport::WriteBytes;
// The folder of the running test program, with a trailing backslash.
std::wstring ProgramFolder();

// Records what the actions show; can run extra work whenever pending messages are handled.
class RecordingHost : public IActionHost {
 public:
  void ShowStatus(const std::wstring& text) override { statuses.push_back(text); }
  void SetProgressPosition(int position) override { positions.push_back(position); }
  void ProcessPendingMessages() override;
  std::wstring WindowCaption() const override { return caption; }

  std::vector<std::wstring> statuses;
  std::vector<int> positions;
  int pumpCalls = 0;
  std::wstring caption = L"Viewer Setup";
  // When set, the queue is really emptied through the window procedures.
  bool dispatchMessages = false;
};

// A state with a script, a language file and an uninstall list in a scratch folder.
struct StateWithFiles {
  explicit StateWithFiles(const ScratchFolder& folder, const std::string& script = "",
                          const std::string& language = "[language]\r\n20=Copying %s\r\n21=Registering %s\r\n");
  // Reads one value of the uninstall list ("" when missing).
  std::wstring Record(const std::wstring& section, const std::wstring& key) const;
  TSetupState state;
  std::wstring uninstallList;
};

// Reads a value of an INI file, "<missing>" when it is not there.
std::wstring IniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key);

}  // namespace bramlow::testing
