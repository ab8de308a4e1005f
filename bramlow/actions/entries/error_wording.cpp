#include "bramlow/actions/entries/error_wording.h"

#include "winbase/system_error_text.h"

namespace bramlow {

namespace {

// Some system texts name their subject by an insert ("%1 is not a valid Win32 application").
// They are fetched without it filled, and a raw "%1" would reach the log and the message box.
// The insert takes the subject; without one it goes with a space beside it (the line or box
// around the text names the file already).
std::wstring FilledInserts(const std::wstring& text, std::wstring_view subject) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] >= L'1' && text[i + 1] <= L'9') {
      while (i + 1 < text.size() && text[i + 1] >= L'0' && text[i + 1] <= L'9') ++i;
      // "%1!s!": the insert's format goes with it.
      if (i + 1 < text.size() && text[i + 1] == L'!') {
        const size_t close = text.find(L'!', i + 2);
        if (close != std::wstring::npos) i = close;
      }
      if (!subject.empty()) {
        out += subject;
      } else if (!out.empty() && out.back() == L' ') {
        out.pop_back();
      } else if (i + 1 < text.size() && text[i + 1] == L' ') {
        ++i;
      }
    } else if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'%') {
      out += L'%';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::wstring SystemErrorWording(DWORD code, std::wstring_view subject) {
  std::wstring text = winbase::SystemErrorText(code);
  if (text.size() > 255) text.resize(255);
  text = FilledInserts(text, subject);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\r' || text.back() == L'\n' ||
                           text.back() == L'.'))
    text.pop_back();
  return text;
}

}  // namespace bramlow
