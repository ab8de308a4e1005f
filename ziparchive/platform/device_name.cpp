#include "ziparchive/platform/device_name.h"

namespace ziparchive {

namespace {
char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
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
    return (d >= '0' && d <= '9') || d == 0xB9 || d == 0xB2 || d == 0xB3;
  }
  return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

}  // namespace ziparchive
