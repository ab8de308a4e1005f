#pragma once
// The switches bramlow.exe and Uninstall.exe understand. Anything else on the command line is
// ignored, as it always was: kits are started by shortcuts and tools that may add their own.
#include <optional>
#include <string>
#include <string_view>

namespace bramlow {

struct SetupSwitches {
  bool silent = false;                      // /S
  std::optional<std::wstring> language;     // /LANG=<name of a .qxl file, without extension>
  std::optional<std::wstring> destination;  // /D=<folder>
  std::optional<std::wstring> logFile;      // /LOG=<file>
};

// Reads the switches from a command line without the program's own name (what wWinMain is
// given). Names are case-insensitive; a value may be quoted, or the whole switch may be.
// /D= takes the rest of the line when its value is not quoted, so a folder with spaces can
// be given as deployment tools usually write it ("/S /D=C:\Program Files\App", /D= last).
// A later switch of the same name wins. An empty /D= or /LANG= is kept as given (empty), so
// the run refuses it rather than quietly installing with the kit's own choice; an empty
// /LOG= counts as not given.
SetupSwitches ParseSetupSwitches(std::wstring_view commandLine);

}  // namespace bramlow
