#include "korvel/apply/program_runner.h"

#include <windows.h>

#include <vector>

#include "winbase/handles.h"

namespace korvel {

RunOutcome WindowsProgramRunner::RunAndWait(const std::wstring& commandLine,
                                            const std::wstring& currentFolder) {
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNOACTIVATE;
  PROCESS_INFORMATION info;
  ZeroMemory(&info, sizeof info);

  // CreateProcessW may write into the command line.
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(0);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                      nullptr, currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup,
                      &info)) {
    return {};
  }
  const winbase::KernelHandle process(info.hProcess);
  const winbase::KernelHandle thread(info.hThread);

  HANDLE waitOn = process.get();
  for (;;) {
    const DWORD result = whileWaiting_
                             ? MsgWaitForMultipleObjects(1, &waitOn, FALSE, INFINITE, QS_ALLINPUT)
                             : WaitForSingleObject(waitOn, INFINITE);
    if (result == WAIT_OBJECT_0) break;
    if (result == WAIT_OBJECT_0 + 1) {
      try {
        whileWaiting_();
      } catch (...) {
        // Repainting must never cut the wait short: the tool is still writing.
      }
      continue;
    }
    break;  // WAIT_FAILED: nothing sensible left to wait on
  }
  RunOutcome outcome;
  outcome.started = true;
  DWORD code = 0;
  outcome.exitCode = GetExitCodeProcess(process.get(), &code) ? code : ~0ul;
  return outcome;
}

}  // namespace korvel
