#include "bramlow/actions/entries/shell_run.h"

#include <shellapi.h>

#include "bramlow/actions/entries/run_program.h"
#include "bramlow/actions/entries/show_command.h"
#include "bramlow/actions/entries/error_wording.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/text/macro_text.h"
#include "ui/user_prompt.h"
#include "winbase/handles.h"

namespace bramlow {

void ShellRun(const std::wstring& file, const std::wstring& runType, bool wait, IActionHost& host) {
  const std::wstring folder = FolderPart(file);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  // The shell's own error box is suppressed: the failure is told once, below.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
  info.hwnd = GetActiveWindow();
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = ShowCommandFor(RunWay::Shell, runType);
  if (!ShellExecuteExW(&info)) {
    const DWORD error = GetLastError();
    Steps().Line(L"open " + file + L": failed (" + ReasonText(error, file) + L")");
    ui::Prompt().Box(SystemErrorWording(error, file), host.WindowCaption(),
                     MB_OK | MB_SETFOREGROUND);
    return;
  }
  winbase::ProcessHandle process(info.hProcess);
  if (!process || !wait) {
    Steps().Line(L"open " + file + L": started");
    return;
  }
  // Written before the wait: a run killed while it waits leaves a log naming what it waited for.
  Steps().Line(L"open " + file + L": started, waiting for it to end");
  WaitKeepingWindowAlive(process.get(), host);
  LogExitCode(L"open " + file, process.get());
}

}  // namespace bramlow
