#include "bramlow/actions/entries/copy_files.h"

#include <windows.h>

#include "bramlow/actions/entries/answering_copy.h"
#include "bramlow/actions/entries/folder_chain.h"
#include "bramlow/actions/entries/register_server.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/state/destination_check.h"
#include "bramlow/text/macro_text.h"
#include "winbase/text.h"

namespace bramlow {

namespace {
bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Why a destination is no file the installation may make under that name; empty when it is.
// Refused as the folder page refuses such a destination, before anything is made: a device
// ("%Dest%\\NUL") would take the data while the step said "ok"; a "\\?\" or "\\.\" path
// goes past the system's name rules (and the uninstaller never removes one); a ':' past the
// drive's writes into a stream of another file; and a name the list's ANSI code page cannot
// hold would be listed as a look-alike that names another file.
std::wstring RefusedDestination(const std::wstring& destination, bool listed) {
  auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  if (destination.size() >= 4 && separator(destination[0]) && separator(destination[1]) &&
      (destination[2] == L'.' || destination[2] == L'?') && separator(destination[3]))
    return L"a device or \"\\\\?\\\" path";
  if (NamesADeviceOrIsTrimmed(destination)) return L"a name Windows takes for a device or shortens";
  for (size_t i = 0; i < destination.size(); ++i) {
    const wchar_t c = destination[i];
    if (c < 32 || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L'*' || c == L'?' ||
        (c == L':' && i != 1))
      return DestinationProblemText(DestinationProblem::ForbiddenCharacter, destination);
  }
  if (listed && !winbase::FitsCodePage(destination))
    return DestinationProblemText(DestinationProblem::OutsideTheCodePage, destination);
  return {};
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

  if (const std::wstring why = RefusedDestination(destination, context.KeepsUninstallList());
      !why.empty()) {
    Steps().Copy(source, destination, false, 0, why);
    return;
  }
  MakeFolderChain(FolderPart(destination));
  if (!FileExists(destination)) context.RecordNextFile(destination);
  const bool copied = CopyFileAnswering(source, destination, false, FileSizeOf(source), host);
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
