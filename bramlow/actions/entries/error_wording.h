// How the installer words a system error code in its log and its message boxes.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace bramlow {

// The system's text for an error code, at most 255 characters, without the trailing spaces,
// line breaks and full stops the system ends it with. An insert ("%1 is not a valid Win32
// application") takes subject, the file the error is about; without one it is left out: the
// text is the system's language, and a word of another would not fit it.
std::wstring SystemErrorWording(DWORD code, std::wstring_view subject = {});

}  // namespace bramlow
