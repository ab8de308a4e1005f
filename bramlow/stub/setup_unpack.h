// The one-file setup's work: check the whole payload, unpack the kit into a folder of its own
// under %TEMP%, run bramlow.exe from there with the setup's own command line, wait for it, and
// remove the folder again, whatever bramlow's outcome.
#pragma once
#include <string>

namespace bramlow {

struct OneFileSetup {
  std::wstring program;      // the setup file itself
  std::wstring commandLine;  // what follows its name on its command line, passed on unchanged
  std::wstring tempFolder;   // where its own folder is made
};

// The exit code to end with: bramlow's, or 1 when the setup could not run it (said in a
// message box, or in the log with /S).
int RunOneFileSetup(const OneFileSetup& setup);

// The command line after the program's name, as the system hands it to WinMain.
std::wstring ArgumentsOf(const std::wstring& commandLine);

}  // namespace bramlow
