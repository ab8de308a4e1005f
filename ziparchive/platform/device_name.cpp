#include "ziparchive/platform/device_name.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace ziparchive {

namespace {
char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

// A byte of the ANSI code page that is a superscript 1, 2 or 3 (code page 1252 has them;
// in 1251 the same bytes are "№", "І" and "і", plain letters of a name).
bool AnsiSuperscriptDigit(unsigned char c) {
#ifdef _WIN32
  if (c < 0x80) return false;
  char in = char(c);
  wchar_t out = 0;
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &in, 1, &out, 1) != 1) return false;
  return out == 0xB9 || out == 0xB2 || out == 0xB3;
#else
  (void)c;  // the native build's ANSI code page is 1251
  return false;
#endif
}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}
}  // namespace

bool IsDeviceName(std::string_view part) {
  std::string_view stem = part.substr(0, part.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
    if (SameAscii(stem, device)) return true;
  if (stem.size() < 4 ||
      !(SameAscii(stem.substr(0, 3), "COM") || SameAscii(stem.substr(0, 3), "LPT")))
    return false;
  std::string_view digit = stem.substr(3);
  if (digit.size() == 1) {
    unsigned char d = static_cast<unsigned char>(digit[0]);
    return (d >= '1' && d <= '9') || AnsiSuperscriptDigit(d);
  }
  return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

}  // namespace ziparchive
