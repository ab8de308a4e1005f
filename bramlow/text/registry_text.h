// The texts of a registry entry the engine interprets: the names of the root keys and the
// syntax of a type-1 (32-bit number) value. The actions and the kit checker both use them.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bramlow {

// The root names the engine recognises, in the order it compares them.
inline constexpr std::array<std::wstring_view, 6> kRegistryRootNames = {
    L"HKEY_CLASSES_ROOT",     L"HKEY_LOCAL_MACHINE",  L"HKEY_USERS",
    L"HKEY_PERFORMANCE_DATA", L"HKEY_CURRENT_CONFIG", L"HKEY_DYN_DATA"};

// The name a script writes for the current user's root: it is not among the six, and takes
// that root as every other text does.
inline constexpr std::wstring_view kCurrentUserRootName = L"HKEY_CURRENT_USER";

// The position of name in kRegistryRootNames (the letters a to z compared without case, nothing
// trimmed), or nothing: any other text, the empty one included, means the current user's root.
std::optional<size_t> RegistryRootIndex(std::wstring_view name);

// The 32-bit value of a registry entry's integer text: optional leading spaces, an optional
// sign, then decimal digits, or hexadecimal digits after "$", "x" or "0x" (either case).
// Decimal must fit a signed 32-bit number; hexadecimal may use all 32 bits. Anything else,
// trailing characters and the empty text included, is not an integer.
std::optional<std::int32_t> ParseRegistryInteger(std::wstring_view text);

}  // namespace bramlow
