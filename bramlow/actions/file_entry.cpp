#include "bramlow/actions/copy_files.h"

#include <windows.h>

#include "bramlow/actions/folder_chain.h"
#include "bramlow/state/folder_macros.h"
#include "bramlow/actions/register_server.h"
#include "bramlow/actions/step_log.h"
#include "bramlow/state/language_texts.h"
#include "bramlow/text/macro_text.h"
#include "bramlow/formats/uninstall_list.h"

namespace bramlow {

namespace {
bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

void CopyFileEntry(int n, TSetupState& state, IActionHost& host) {
  if (!state.ScriptFile) return;
  ProfileFile& script = *state.ScriptFile;
  script.Section = L"Oth" + std::to_wstring(n);
  script.Mode = ProfileMode::Read;

  // Everything is read before messages are handled: a handler may move the script reader.
  const std::wstring destination = ExpandMacros(script.ProfileText(L"Dest", L""), state);
  const std::wstring source = ExpandMacros(script.ProfileText(L"Source", L""), state);
  const bool server = script.ProfileBoolean(L"Ocx", false);
  host.ShowStatus(LangTextFormatted(state, 20, destination));
  host.ProcessPendingMessages();

  MakeFolderChain(FolderPart(destination));
  if (state.CreateUninst && !FileExists(destination)) RecordNextFile(state, destination);
  const bool copied = CopyFileW(source.c_str(), destination.c_str(), FALSE);
  const DWORD error = copied ? 0 : GetLastError();
  if (copied) ClearReadOnly(destination);
  Steps().Copy(source, destination, copied, error);

  if (server) {
    const std::wstring name = LastPathComponent(destination);
    host.ShowStatus(LangTextFormatted(state, 21, name));
    host.ProcessPendingMessages();
    Steps().Result(L"register COM server " + name, RegisterServer(name));
    if (state.CreateUninst) RecordNextOcx(state, destination);
  }
}

}  // namespace bramlow
