#include "bramlow/state/runtime_error.h"

#include <windows.h>

#include "bramlow/text/format_pattern.h"
#include "bramlow/state/setup_state.h"
#include "ui/application.h"
#include "ui/user_prompt.h"

namespace bramlow {

namespace {

RuntimeErrorReporter& Reporter() {
  static RuntimeErrorReporter reporter;
  return reporter;
}

void ShowErrorBox(const std::wstring& message) {
  ui::Prompt().Box(message, ui::Application::Get().Title(), MB_OK | MB_ICONERROR);
}

}  // namespace

void SetRuntimeErrorReporter(RuntimeErrorReporter reporter) { Reporter() = std::move(reporter); }

void StopWithRuntimeError(const std::wstring& message) {
  try {
    // What the installation copied so far must be in the uninstall list the uninstaller reads.
    if (SetupState.UninstallFile) SetupState.UninstallFile->Flush();
    if (Reporter())
      Reporter()(message);
    else
      ShowErrorBox(message);
  } catch (...) {
    // The program ends either way.
  }
  ExitProcess(1);
}

std::wstring FormatOrStop(std::wstring_view pattern, std::wstring_view arg) {
  try {
    return FormatPattern(pattern, arg);
  } catch (const FormatError& error) {
    StopWithRuntimeError(error.Message());
  }
}

}  // namespace bramlow
