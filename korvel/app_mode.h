// Korvel's four modes, chosen once from the first command-line argument.
#pragma once
#include <string>
#include <vector>

namespace korvel {

enum class AppMode {
  Library,        // anything else, or no argument: the main window
  Install,        // "/1"
  RemoveConfirm,  // "/2": removal with a confirmation question
  RemoveQuiet,    // "/3": removal without a question
};

// args: the arguments after the program name. Only the first is looked at, exactly and
// case-sensitively.
AppMode ChooseMode(const std::vector<std::wstring>& args);

// The running program's arguments after its name, split as the system's shell splits them.
std::vector<std::wstring> CommandLineArguments();

}  // namespace korvel
