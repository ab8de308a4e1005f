#include "bramlow/runtime_error.h"

#include <windows.h>

#include "bramlow/format_pattern.h"

namespace bramlow {

namespace {

RuntimeErrorReporter& Reporter() {
  static RuntimeErrorReporter reporter;
  return reporter;
}

void ShowErrorBox(const std::wstring& message) {
  wchar_t path[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring caption = path;
  size_t cut = caption.find_last_of(L"\\/");
  if (cut != std::wstring::npos) caption.erase(0, cut + 1);
  size_t dot = caption.rfind(L'.');
  if (dot != std::wstring::npos) caption.erase(dot);
  MessageBoxW(GetActiveWindow(), message.c_str(), caption.c_str(),
              MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

}  // namespace

void SetRuntimeErrorReporter(RuntimeErrorReporter reporter) { Reporter() = std::move(reporter); }

void StopWithRuntimeError(const std::wstring& message) {
  try {
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
