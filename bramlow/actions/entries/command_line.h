#pragma once
// Which file a command line starts. The system, given an unquoted program path with spaces,
// tries every prefix ending at a space, with ".exe" added: "C:\Program Files\App\tool.exe" first
// starts a "C:\Program.exe" if one exists. Both the installer's programs and the uninstaller's
// clean-up programs are started through this resolution instead.
#include <optional>
#include <string>

namespace bramlow {

struct ProgramLaunch {
  std::wstring application;  // the exact file to start; empty: the system resolves the command line
  std::wstring commandLine;  // the program quoted when its path holds a space, then the arguments
};

// How a command line is started, or why it is not.
struct ResolvedCommand {
  std::optional<ProgramLaunch> launch;
  std::wstring whyNot;  // without a launch: the reason, as a log line gives it
};

// The longest part of the command line up to a space (or all of it) that names an existing
// file, as written or with ".exe" added to a name without an extension, is the program; it is
// quoted in the command line when it holds a space. A part that ends inside the name of an
// existing folder ("C:\Program" of "C:\Program Files\...") is never the program. When no part
// names a file, the system resolves the command line itself (a bare name it searches for; a
// missing program it reports). Nothing when the command line is blank, its quote is not closed,
// or the only file it names is such a part.
ResolvedCommand ResolveCommandLine(const std::wstring& commandLine);

}  // namespace bramlow
