// The system's own wording for a failure code (GetLastError and the like).
#pragma once
#include <windows.h>

#include <string>

namespace winbase {

// The text without its trailing line break; empty for a code the system has no text for.
// Inserts ("%1") are left as they are.
[[nodiscard]] std::wstring SystemErrorText(DWORD code);

}  // namespace winbase
