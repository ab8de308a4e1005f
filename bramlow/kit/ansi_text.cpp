#include "bramlow/kit/ansi_text.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace bramlow {

std::u16string AnsiToUtf16(std::string_view text, unsigned codePage) {
  std::u16string out;
  if (text.empty()) return out;
#ifdef _WIN32
  const UINT page = codePage ? codePage : CP_ACP;
  const int length =
      MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length > 0) {
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    out.assign(wide.begin(), wide.end());
    return out;
  }
#else
  const std::string name = "CP" + std::to_string(codePage ? codePage : 1252);
  iconv_t cd = iconv_open("UTF-16LE", name.c_str());
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    std::string input(text);
    std::string output(input.size() * 4 + 4, '\0');
    char* in = input.data();
    char* to = output.data();
    size_t inLeft = input.size(), outLeft = output.size();
    const bool done = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (done) {
      const size_t bytes = output.size() - outLeft;
      for (size_t i = 0; i + 1 < bytes; i += 2) {
        out += static_cast<char16_t>(static_cast<unsigned char>(output[i]) |
                                     (static_cast<unsigned char>(output[i + 1]) << 8));
      }
      return out;
    }
  }
#endif
  // A code page the system lacks: ASCII stays, the rest becomes '?'.
  out.clear();
  for (char c : text) out += static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'?';
  return out;
}

bool IsKnownCodePage(unsigned codePage) {
  if (codePage == 0) return true;
#ifdef _WIN32
  return IsValidCodePage(codePage) != 0;
#else
  const std::string name = "CP" + std::to_string(codePage);
  iconv_t cd = iconv_open("UTF-16LE", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
#endif
}

bool IsValidAnsi(std::string_view text, unsigned codePage) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return true;
#ifdef _WIN32
  const UINT page = codePage ? codePage : CP_ACP;
  return MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(),
                             static_cast<int>(text.size()), nullptr, 0) > 0;
#else
  const std::string name = "CP" + std::to_string(codePage ? codePage : 1252);
  iconv_t cd = iconv_open("UTF-16LE", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string input(text);
  std::string output(input.size() * 4 + 4, '\0');
  char* in = input.data();
  char* to = output.data();
  size_t inLeft = input.size(), outLeft = output.size();
  const bool done = iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &to, &outLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  return done && inLeft == 0;
#endif
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t extra = b < 0x80             ? 0
                   : (b & 0xE0) == 0xC0 ? 1
                   : (b & 0xF0) == 0xE0 ? 2
                   : (b & 0xF8) == 0xF0 ? 3
                                        : 4;
    uint32_t c = 0xFFFD;
    if (extra == 0) {
      c = b;
    } else if (extra < 4 && i + extra < text.size()) {
      uint32_t v = b & (0x3Fu >> extra);
      bool valid = true;
      for (size_t k = 1; k <= extra && valid; ++k) {
        const auto t = static_cast<unsigned char>(text[i + k]);
        valid = (t & 0xC0) == 0x80;
        v = (v << 6) | (t & 0x3F);
      }
      if (valid)
        c = v;
      else
        extra = 0;
    } else {
      extra = 0;
    }
    i += extra + 1;
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c > 0xFFFF ? 0xFFFD : c);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace bramlow
