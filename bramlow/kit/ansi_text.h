// A kit's texts (bytes in the ANSI code page of the systems it installs on) and the tools' own
// (UTF-8) as UTF-16, for the version resource and the console.
#pragma once
#include <string>
#include <string_view>

namespace bramlow {

// codePage 0: on Windows the system's ANSI code page, elsewhere Windows-1252.
std::u16string AnsiToUtf16(std::string_view text, unsigned codePage);
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace bramlow
