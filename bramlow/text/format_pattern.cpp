#include "bramlow/text/format_pattern.h"

namespace bramlow {

namespace {

std::string Narrow(const std::wstring& text) {
  // Only for what(); the wide message is the one shown to the user.
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out.push_back(c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?');
  return out;
}

bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

}  // namespace

FormatError::FormatError(std::wstring message)
    : std::runtime_error(Narrow(message)), message_(std::move(message)) {}

std::wstring InvalidFormatMessage(std::wstring_view pattern) {
  return L"Format '" + std::wstring(pattern) + L"' invalid or incompatible with argument";
}

std::wstring NoArgumentMessage(std::wstring_view pattern) {
  return L"No argument for format '" + std::wstring(pattern) + L"'";
}

std::wstring FormatPattern(std::wstring_view pattern, std::wstring_view arg) {
  std::wstring out;
  out.reserve(pattern.size() + arg.size());
  bool argumentUsed = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    wchar_t c = pattern[i];
    if (c != L'%') {
      out.push_back(c);
      continue;
    }
    if (i + 1 >= pattern.size()) throw FormatError(InvalidFormatMessage(pattern));
    wchar_t kind = pattern[++i];
    if (kind == L'%') {
      out.push_back(L'%');
    } else if (kind == L's') {
      if (argumentUsed) throw FormatError(NoArgumentMessage(pattern));
      out.append(arg);
      argumentUsed = true;
    } else if (argumentUsed && IsAsciiLetter(kind)) {
      // A conversion after the only argument was consumed: the runtime runs out of
      // arguments before it looks at the conversion's type.
      throw FormatError(NoArgumentMessage(pattern));
    } else {
      throw FormatError(InvalidFormatMessage(pattern));
    }
  }
  return out;
}

std::wstring ExpandLineBreaks(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\\' && i + 1 < text.size() && (text[i + 1] == L'n' || text[i + 1] == L'N')) {
      out.append(L"\r\n");
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace bramlow
