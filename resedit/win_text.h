// Conversions between the script's 8-bit text and the wide strings of the W API.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace resedit {

std::wstring ToWide(std::string_view text, UINT codePage);
std::string ToAnsi(std::wstring_view text);
// "system error 5"-style suffix for the log.
std::wstring SystemErrorText(DWORD code);

}  // namespace resedit
