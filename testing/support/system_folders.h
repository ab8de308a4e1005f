// Where a test finds the system's folders and the programs built beside it (Windows).
#pragma once

#include <string>

namespace testsupport {

// The system's temporary folder, without its trailing backslash.
std::wstring TemporaryFolder();

// The folder of the running test program, with its trailing backslash: the programs built
// beside it are found there.
std::wstring TestProgramFolder();

// The system folder (system32, or what the system shows a 32-bit program as such), without a
// trailing backslash.
std::wstring SystemFolder();

}  // namespace testsupport
