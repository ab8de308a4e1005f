// How the installer words a system error code in its log and its message boxes.
#pragma once
#include <windows.h>

#include <string>

namespace bramlow {

// The system's text for an error code, at most 255 characters, without the trailing spaces,
// line breaks and full stops the system ends it with, and with "the file" for an insert.
std::wstring SystemErrorWording(DWORD code);

}  // namespace bramlow
