// Conversions between wide text and the 8-bit code pages the programs' files use.
#pragma once
#include <windows.h>
#include <string>
#include <string_view>

namespace ui {

std::wstring Widen(std::string_view text, UINT codePage = CP_ACP);
std::string Narrow(std::wstring_view text, UINT codePage = CP_ACP);
// Text of an exception that came from the runtime or from code that used UTF-8 literals;
// falls back to the ANSI code page when the bytes are not UTF-8.
std::wstring WidenMessage(std::string_view text);

}  // namespace ui
