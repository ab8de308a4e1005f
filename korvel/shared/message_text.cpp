#include "korvel/shared/message_text.h"

#include "winbase/system_error_text.h"

namespace korvel {

std::wstring FormatMessagePattern(const std::wstring& pattern, const std::wstring& argument) {
  return FormatMessagePattern(pattern, {argument});
}

std::wstring FormatMessagePattern(const std::wstring& pattern,
                                  std::initializer_list<std::wstring> arguments) {
  std::wstring text;
  std::size_t from = 0;
  for (const std::wstring& argument : arguments) {
    const std::size_t at = pattern.find(L"%s", from);
    if (at == std::wstring::npos) break;
    text += pattern.substr(from, at - from) + argument;
    from = at + 2;
  }
  return text + pattern.substr(from);
}

std::wstring SystemErrorWording(unsigned long code) {
  std::wstring text = winbase::SystemErrorText(code);
  if (text.empty()) text = L"System error " + std::to_wstring(code);
  return text;
}

std::wstring PrintableName(std::wstring name) {
  for (wchar_t& c : name) {
    const bool control = c < 0x20 || (c >= 0x7f && c <= 0x9f);
    const bool direction = c == 0x061c || c == 0x200e || c == 0x200f ||
                           (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
    if (control || direction) c = L'?';
  }
  return name;
}

}  // namespace korvel
