#include "bramlow/actions/entries/copy_files.h"

#include <windows.h>

#include "bramlow/actions/entries/folder_chain.h"
#include "bramlow/actions/entries/register_server.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/state/destination_check.h"
#include "bramlow/text/macro_text.h"

namespace bramlow {

namespace {
bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

void CopyFileEntry(int n, ActionContext& context, IActionHost& host) {
  ProfileFile* item = context.ScriptItem(L"Oth", n);
  if (!item) return;
  ProfileFile& script = *item;

  // Everything is read before messages are handled: a handler may move the script reader.
  const std::wstring destination = context.Expand(script.ProfileText(L"Dest", L""));
  const std::wstring source = context.Expand(script.ProfileText(L"Source", L""));
  const bool server = script.ProfileBoolean(L"Ocx", false);
  host.ShowStatus(context.Text(20, destination));
  host.ProcessPendingMessages();

  // "%Dest%\\NUL": the data would go to the device while the step said "ok". Refused as the
  // folder page refuses such a destination, before anything is made.
  if (NamesADeviceOrIsTrimmed(destination)) {
    Steps().Copy(source, destination, false, 0, L"a name Windows takes for a device or shortens");
    return;
  }
  MakeFolderChain(FolderPart(destination));
  if (!FileExists(destination)) context.RecordNextFile(destination);
  const bool copied = CopyFileW(source.c_str(), destination.c_str(), FALSE);
  const DWORD error = copied ? 0 : GetLastError();
  if (copied) ClearReadOnly(destination);
  Steps().Copy(source, destination, copied, error);

  if (server) {
    const std::wstring name = LastPathComponent(destination);
    host.ShowStatus(context.Text(21, name));
    host.ProcessPendingMessages();
    Steps().Result(L"register COM server " + name, RegisterServer(name));
    context.RecordNextOcx(destination);
  }
}

}  // namespace bramlow
