// The exception type of the programs: a message for the user in wide text.
#pragma once
#include <stdexcept>
#include <string>

namespace ui {

class Error : public std::runtime_error {
public:
  explicit Error(std::wstring message)
      : std::runtime_error(ToUtf8(message)), message_(std::move(message)) {}
  const std::wstring& Message() const noexcept { return message_; }

private:
  static std::string ToUtf8(const std::wstring& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
      unsigned long c = static_cast<unsigned short>(s[i]);
      if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size()) {
        c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<unsigned short>(s[++i]) - 0xDC00);
      }
      if (c < 0x80) out += static_cast<char>(c);
      else if (c < 0x800) { out += static_cast<char>(0xC0 | (c >> 6)); out += static_cast<char>(0x80 | (c & 0x3F)); }
      else if (c < 0x10000) { out += static_cast<char>(0xE0 | (c >> 12)); out += static_cast<char>(0x80 | ((c >> 6) & 0x3F)); out += static_cast<char>(0x80 | (c & 0x3F)); }
      else { out += static_cast<char>(0xF0 | (c >> 18)); out += static_cast<char>(0x80 | ((c >> 12) & 0x3F)); out += static_cast<char>(0x80 | ((c >> 6) & 0x3F)); out += static_cast<char>(0x80 | (c & 0x3F)); }
    }
    return out;
  }
  std::wstring message_;
};

}  // namespace ui
