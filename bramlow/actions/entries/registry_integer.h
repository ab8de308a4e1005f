#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace bramlow {

// The 32-bit value of a registry entry's integer text: optional leading spaces, an optional
// sign, then decimal digits, or hexadecimal digits after "$", "x" or "0x" (either case).
// Decimal must fit a signed 32-bit number; hexadecimal may use all 32 bits. Anything else,
// trailing characters and the empty text included, is not an integer.
std::optional<std::int32_t> ParseRegistryInteger(const std::wstring& text);

}  // namespace bramlow
