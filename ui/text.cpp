#include "ui/text.h"

#include <climits>

namespace ui {

std::wstring Widen(std::string_view text, UINT codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view text, UINT codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

std::wstring WidenMessage(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                static_cast<int>(text.size()), nullptr, 0);
  return n > 0 ? Widen(text, CP_UTF8) : Widen(text, CP_ACP);
}

}  // namespace ui
