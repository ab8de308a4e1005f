// The three program-wide paths the main window sets when it is created and the library,
// conversion and apply code read. Empty in the modes without a main window.
#pragma once
#include <string>

namespace korvel {

struct SharedPaths {
  std::wstring workFolder;     // TEMP + "\_kv", no trailing backslash
  std::wstring programFolder;  // folder of the program file, with its trailing backslash
  std::wstring systemRoot;     // SystemRoot + "\"
};

// From the environment as it is now and the given program file path. Unset variables read as
// empty, giving "\_kv" and "\".
SharedPaths ComputeSharedPaths(const std::wstring& programPath);

// The program-wide values (set once by the main window).
const SharedPaths& Paths();
void SetPaths(SharedPaths paths);

}  // namespace korvel
