#include "bramlow/actions/shell_run.h"

#include <shellapi.h>

#include "bramlow/actions/run_program.h"
#include "bramlow/actions/show_command.h"
#include "bramlow/actions/step_log.h"
#include "bramlow/text/macro_text.h"
#include "ui/user_prompt.h"
#include "winbase/handles.h"
#include "winbase/system_error_text.h"

namespace bramlow {

namespace {

// Some system texts name their subject by an insert ("%1 is not a valid Win32 application").
// They are fetched without it filled, and a raw "%1" would reach the log and the message box;
// the line or box around the text already names the file, so "the file" stands in.
std::wstring WithoutInserts(std::wstring text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] >= L'1' && text[i + 1] <= L'9') {
      while (i + 1 < text.size() && text[i + 1] >= L'0' && text[i + 1] <= L'9') ++i;
      out += out.empty() ? L"The file" : L"the file";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::wstring SystemErrorText(DWORD code) {
  std::wstring text = winbase::SystemErrorText(code);
  if (text.size() > 255) text.resize(255);
  text = WithoutInserts(std::move(text));
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n' || text.back() == L'.'))
    text.pop_back();
  return text;
}

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
    Steps().Result(L"open " + file, false, error);
    ui::Prompt().Box(SystemErrorText(error), host.WindowCaption(), MB_OK | MB_SETFOREGROUND);
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
