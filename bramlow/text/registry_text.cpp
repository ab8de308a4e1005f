#include "bramlow/text/registry_text.h"

namespace bramlow {

namespace {
int HexDigitValue(wchar_t ch) {
  if (ch >= L'0' && ch <= L'9') return ch - L'0';
  if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
  if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
  return -1;
}
}  // namespace

std::optional<size_t> RegistryRootIndex(std::wstring_view name) {
  for (size_t i = 0; i < kRegistryRootNames.size(); ++i) {
    const std::wstring_view root = kRegistryRootNames[i];
    if (root.size() != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < root.size() && same; ++k) {
      wchar_t c = name[k];
      if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
      same = c == root[k];
    }
    if (same) return i;
  }
  return std::nullopt;
}

std::optional<std::int32_t> ParseRegistryInteger(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == L' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == L'0' &&
             (text[i + 1] == L'x' || text[i + 1] == L'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;

  // 64 bits hold every accepted magnitude with room to spot an overflow digit by digit.
  std::uint64_t magnitude = 0;
  const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  const int base = hex ? 16 : 10;
  for (; i < text.size(); ++i) {
    const int digit =
        hex ? HexDigitValue(text[i]) : (text[i] >= L'0' && text[i] <= L'9' ? text[i] - L'0' : -1);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * base + static_cast<unsigned>(digit);
    if (magnitude > limit) return std::nullopt;
  }
  auto bits = static_cast<std::uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  return static_cast<std::int32_t>(bits);
}

}  // namespace bramlow
