// Programs a test starts: run to their end for the exit code (and output), or kept running
// while the test looks at them.
#pragma once

#include <windows.h>

#include <string>

#include "winbase/handles.h"

namespace testsupport {

// A started program; one still running when its owner goes is ended with exit code 99.
class StartedProgram {
 public:
  // commandLine as the system takes it (the program's path first, quoted when it has spaces);
  // folder "" is the test's current folder.
  explicit StartedProgram(const std::wstring& commandLine, const std::wstring& folder = L"");
  ~StartedProgram();
  StartedProgram(StartedProgram&&) noexcept = default;
  StartedProgram& operator=(StartedProgram&&) noexcept = default;

  bool Started() const { return static_cast<bool>(process_); }
  DWORD Id() const { return id_; }
  bool Running() const;
  // The exit code, or STILL_ACTIVE when the program has not ended within the time.
  DWORD WaitExit(DWORD milliseconds);

 private:
  winbase::ProcessHandle process_;
  DWORD id_ = 0;
};

// Runs a command line in a folder without taking the focus or showing the system's error
// boxes, and returns its exit code: -1 when it could not start, -2 when it did not end within
// the time (it is then ended).
int RunAndWait(const std::wstring& commandLine, const std::wstring& folder,
               DWORD milliseconds = 60000);

// What a console program wrote to its standard output and error, and how it ended.
struct CapturedRun {
  bool started = false;
  DWORD exitCode = 0;  // STILL_ACTIVE when it did not end within the time
  std::string output;
};
CapturedRun RunAndCapture(const std::wstring& commandLine, DWORD milliseconds = 30000);

}  // namespace testsupport
