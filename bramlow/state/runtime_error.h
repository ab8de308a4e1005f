#pragma once
// The runtime's fatal error: a fault of the script or of a language file that makes a
// conversion impossible shows its message and ends the program with exit code 1.
#include <functional>
#include <string>
#include <string_view>

namespace bramlow {

// Shows message (through the error reporter, by default a modal error box) and ends the
// process with exit code 1. Safe inside window procedures: nothing unwinds.
[[noreturn]] void StopWithRuntimeError(const std::wstring& message);

// Who shows the message. Tests and console tools replace the message box.
using RuntimeErrorReporter = std::function<void(const std::wstring& message)>;
void SetRuntimeErrorReporter(RuntimeErrorReporter reporter);

// FormatPattern, stopping the program on a pattern that does not fit one text argument.
std::wstring FormatOrStop(std::wstring_view pattern, std::wstring_view arg);

}  // namespace bramlow
