#include "bramlow/actions/entries/error_wording.h"

#include "winbase/system_error_text.h"

namespace bramlow {

namespace {

// Some system texts name their subject by an insert ("%1 is not a valid Win32 application").
// They are fetched without it filled, and a raw "%1" would reach the log and the message box;
// the line or box around the text already names the file, so "the file" stands in.
std::wstring WithoutInserts(std::wstring text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] >= L'1' && text[i + 1] <= L'9') {
      while (i + 1 < text.size() && text[i + 1] >= L'0' && text[i + 1] <= L'9') ++i;
      out += out.empty() ? L"The file" : L"the file";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::wstring SystemErrorWording(DWORD code) {
  std::wstring text = winbase::SystemErrorText(code);
  if (text.size() > 255) text.resize(255);
  text = WithoutInserts(std::move(text));
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n' || text.back() == L'.'))
    text.pop_back();
  return text;
}

}  // namespace bramlow
