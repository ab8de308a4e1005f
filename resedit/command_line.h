// Finds the script named on reshacker.exe's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace resedit {

// The arguments as CommandLineToArgvW splits them, the program's own first. Korvel passes the
// program's path unquoted, so a path with spaces arrives in several pieces: the switch is
// looked for among all arguments rather than at a fixed place.
std::optional<std::wstring> ScriptArgument(const std::vector<std::wstring>& args);

// The process's own command line, split by the system.
std::vector<std::wstring> ProcessArguments();

}  // namespace resedit
