#pragma once
// Which file a command line starts. The system, given an unquoted program path with spaces,
// tries every prefix ending at a space: "C:\Program Files\App\tool.exe" first starts a
// "C:\Program.exe" if one exists. Both the installer's programs and the uninstaller's clean-up
// programs are started through this resolution instead.
#include <optional>
#include <string>

namespace bramlow {

struct ProgramLaunch {
  std::wstring application;  // the exact file to start; empty: the system looks for a bare name
  std::wstring commandLine;  // the program quoted when its path holds a space, then the arguments
};

// The longest part of the command line up to a space (or all of it) that names an existing
// file is the program, quoted in the command line when it holds a space; a quoted program is
// taken as it is. A bare name ("regsvr32 /s") is left to the system's search. Nothing when
// the command line is blank, its quote is not closed, or it names a path that is no file.
std::optional<ProgramLaunch> ResolveCommandLine(const std::wstring& commandLine);

}  // namespace bramlow
