#include "korvel/shared/message_text.h"

#include "winbase/system_error_text.h"

namespace korvel {

std::wstring FormatMessagePattern(const std::wstring& pattern, const std::wstring& argument) {
  std::wstring text = pattern;
  const std::size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, argument);
  return text;
}

std::wstring SystemErrorWording(unsigned long code) {
  std::wstring text = winbase::SystemErrorText(code);
  if (text.empty()) text = L"System error " + std::to_wstring(code);
  return text;
}

}  // namespace korvel
