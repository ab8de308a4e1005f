// A kit's texts (bytes in the ANSI code page of the systems it installs on) and the tools' own
// (UTF-8) as UTF-16, for the version resource and the console.
#pragma once
#include <string>
#include <string_view>

namespace bramlow {

// codePage 0: on Windows the system's ANSI code page, elsewhere Windows-1252.
std::u16string AnsiToUtf16(std::string_view text, unsigned codePage);
// Whether the system can read text in this code page (0: the default above).
bool IsKnownCodePage(unsigned codePage);
// Whether every byte sequence of text is a character of the code page (false for a code page
// the system lacks, unless text is plain ASCII).
bool IsValidAnsi(std::string_view text, unsigned codePage);
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace bramlow
