#include "run_and_wait.h"

#include <utility>

namespace testsupport {

namespace {

// The process handle only: nothing here looks at the first thread.
winbase::ProcessHandle Start(std::wstring commandLine, const std::wstring& folder, STARTUPINFOW& startup,
                        DWORD flags, bool inheritHandles, DWORD& id) {
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inheritHandles, flags,
                        nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &info))
    return {};
  ::CloseHandle(info.hThread);
  id = info.dwProcessId;
  return winbase::ProcessHandle(info.hProcess);
}

}  // namespace

StartedProgram::StartedProgram(const std::wstring& commandLine, const std::wstring& folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  process_ = Start(commandLine, folder, startup, 0, false, id_);
}

StartedProgram::~StartedProgram() {
  if (Running()) ::TerminateProcess(process_.get(), 99);
}

bool StartedProgram::Running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD StartedProgram::WaitExit(DWORD milliseconds) {
  DWORD code = STILL_ACTIVE;
  if (!process_) return code;
  ::WaitForSingleObject(process_.get(), milliseconds);
  ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

int RunAndWait(const std::wstring& commandLine, const std::wstring& folder, DWORD milliseconds) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNOACTIVATE;
  DWORD id = 0;
  winbase::ProcessHandle process =
      Start(commandLine, folder, startup, CREATE_DEFAULT_ERROR_MODE, false, id);
  if (!process) return -1;
  if (::WaitForSingleObject(process.get(), milliseconds) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.get(), 99);
    return -2;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  return static_cast<int>(code);
}

CapturedRun RunAndCapture(const std::wstring& commandLine, DWORD milliseconds) {
  CapturedRun run;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  winbase::KernelHandle readEnd, writeEnd;
  if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) return run;
  ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD id = 0;
  winbase::ProcessHandle process = Start(commandLine, L"", startup, 0, true, id);
  // Only the child may hold the write end now, so the pipe ends when the child does.
  writeEnd.reset();
  if (!process) return run;
  run.started = true;
  char buffer[512];
  DWORD got = 0;
  while (::ReadFile(readEnd.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    run.output.append(buffer, got);
  ::WaitForSingleObject(process.get(), milliseconds);
  run.exitCode = STILL_ACTIVE;
  ::GetExitCodeProcess(process.get(), &run.exitCode);
  return run;
}

}  // namespace testsupport
