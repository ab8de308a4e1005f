// reshacker.exe -script <file>: applies a resource-editing script. Runs without a window;
// what happened goes to reshacker.log beside the program and to the exit code
// (0 done, 1 the script failed and the target is unchanged, 2 no script named).
#include <windows.h>

#include "command_line.h"
#include "edit_log.h"
#include "edit_script.h"
#include "file_bytes.h"
#include "resource_edit_run.h"
#include "winbase/text.h"

namespace {

constexpr std::size_t kMaxScriptSize = 1024 * 1024;

int Run(resedit::EditLog& log) {
  const auto scriptPath = resedit::ScriptArgument(resedit::ProcessArguments());
  if (!scriptPath) {
    log.Error(L"usage: reshacker.exe -script <file>");
    return 2;
  }
  log.Info(L"script " + *scriptPath);
  resedit::FileBytes text = resedit::ReadFileBytes(*scriptPath, kMaxScriptSize);
  if (!text.ok) {
    log.Error(text.error);
    return 1;
  }
  const auto parsed = resedit::ParseEditScript(
      std::string_view(reinterpret_cast<const char*>(text.bytes.data()), text.bytes.size()));
  if (!parsed.ok) {
    log.Error(*scriptPath + L": " + winbase::Widen(parsed.error, CP_ACP));
    return 1;
  }
  return resedit::ApplyEditScript(parsed.script, log) ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  // No system error boxes: this program runs unattended and reports through its exit code.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  resedit::EditLog log;
  int code = 1;
  try {
    code = Run(log);
  } catch (...) {
    log.Error(L"out of memory");
    code = 1;
  }
  log.Info(code == 0 ? L"done" : L"failed, nothing written");
  try {
    log.AppendTo(resedit::LogPathBesideProgram());
  } catch (...) {
  }
  return code;
}
