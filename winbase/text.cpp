#include "winbase/text.h"

#include <climits>

namespace winbase {
namespace {

std::wstring WidenWith(std::string_view text, UINT codePage, DWORD flags) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int size = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, flags, text.data(), size, out.data(), n);
  return out;
}

std::string NarrowWith(std::wstring_view text, UINT codePage, DWORD flags) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int size = static_cast<int>(text.size());
  const int n =
      ::WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
  // Some code pages (UTF-8 among them) refuse the flag: they have no best fit to leave out.
  if (n <= 0 && flags) return NarrowWith(text, codePage, 0);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring Widen(std::string_view text, UINT codePage) {
  return WidenWith(text, codePage, 0);
}

std::string Narrow(std::wstring_view text, UINT codePage) {
  return NarrowWith(text, codePage, 0);
}

std::string NarrowWithoutBestFit(std::wstring_view text, UINT codePage) {
  return NarrowWith(text, codePage, codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS);
}

std::optional<std::string> NarrowExactly(std::wstring_view text, UINT codePage) {
  if (text.empty()) return std::string();
  if (text.size() > INT_MAX) return std::nullopt;
  const int size = static_cast<int>(text.size());
  // UTF-8 has a form for every character and takes neither the flag nor the out parameter.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* lossyOut = utf8 ? nullptr : &lossy;
  const int n =
      ::WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, lossyOut);
  if (n <= 0 || lossy) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

bool FitsCodePage(std::wstring_view text, UINT codePage) {
  if (codePage == CP_ACP && ::GetACP() == CP_UTF8) codePage = CP_UTF8;
  return NarrowExactly(text, codePage).has_value();
}

std::wstring WidenMessage(std::string_view text) {
  std::wstring utf8 = WidenWith(text, CP_UTF8, MB_ERR_INVALID_CHARS);
  return utf8.empty() ? Widen(text, CP_ACP) : utf8;
}

}  // namespace winbase
