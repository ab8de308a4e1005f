#include "kv_error.h"

#include "winbase/system_error_text.h"

namespace korvel {

std::wstring SystemErrorWording(unsigned long code) {
  std::wstring text = winbase::SystemErrorText(code);
  if (text.empty()) text = L"System error " + std::to_wstring(code);
  return text;
}

}  // namespace korvel
