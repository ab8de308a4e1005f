// Conversions between wide text and the 8-bit code pages (ANSI, OEM, UTF-8) the programs' files
// use.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace winbase {

// Characters the code page lacks become its default character or a look-alike; empty text
// when the conversion fails.
[[nodiscard]] std::wstring Widen(std::string_view text, UINT codePage = CP_ACP);
[[nodiscard]] std::string Narrow(std::wstring_view text, UINT codePage = CP_ACP);
// The same without the look-alikes: a character the code page lacks becomes its default
// character ("?"), never a similar letter that would name another file.
[[nodiscard]] std::string NarrowWithoutBestFit(std::wstring_view text, UINT codePage = CP_ACP);
[[nodiscard]] inline std::string ToUtf8(std::wstring_view text) {
  return Narrow(text, CP_UTF8);
}

// The text in the code page without a best fit or default character; nothing when a character
// has no form of its own there ("é" written as "e" would name another file).
[[nodiscard]] std::optional<std::string> NarrowExactly(std::wstring_view text, UINT codePage);

// Whether the code page holds every character of text as itself: what is written in it names
// the same thing when read back. A system whose ANSI code page is UTF-8 holds everything.
[[nodiscard]] bool FitsCodePage(std::wstring_view text, UINT codePage = CP_ACP);

// Text of an exception that came from the runtime or from code that used UTF-8 literals, or a
// name that may have been stored either way: UTF-8 when the bytes are UTF-8, else the ANSI
// code page.
[[nodiscard]] std::wstring WidenMessage(std::string_view text);

}  // namespace winbase
