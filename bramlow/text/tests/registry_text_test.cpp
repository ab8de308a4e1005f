// The registry entry's texts: which root names the engine knows and what a type-1 value may be.
#include "bramlow/text/registry_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>

namespace bramlow {
namespace {

TEST(RegistryInteger, AcceptsEverySpelling) {
  const struct {
    const wchar_t* text;
    std::int32_t value;
  } cases[] = {
      {L"0x10", 16},
      {L"$FF", 255},
      {L"$ff", 255},
      {L"x1A", 26},
      {L"X1a", 26},
      {L"0X20", 32},
      {L"42", 42},
      {L"  42", 42},
      {L"+7", 7},
      {L"-7", -7},
      {L"-$10", -16},
      {L"2147483647", 2147483647},
      {L"-2147483648", INT32_MIN},
      {L"$FFFFFFFF", -1},
      {L"0", 0},
      {L"007", 7},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseRegistryInteger(c.text);
    ASSERT_TRUE(parsed.has_value()) << std::string(c.text, c.text + wcslen(c.text));
    EXPECT_EQ(*parsed, c.value) << std::string(c.text, c.text + wcslen(c.text));
  }
}

TEST(RegistryInteger, RejectsWhatIsNotANumber) {
  for (const wchar_t* text :
       {L"", L" ", L"ABC", L"12a", L"12 ", L"$", L"0x", L"x", L"-", L"+$", L"$G1", L"2147483648",
        L"-2147483649", L"$100000000", L"1.5", L"0x-1", L"--1"}) {
    EXPECT_FALSE(ParseRegistryInteger(text).has_value()) << std::string(text, text + wcslen(text));
  }
}

TEST(RegistryRootIndex, KnowsTheSixNamesInAnyCaseAndNothingElse) {
  for (size_t i = 0; i < kRegistryRootNames.size(); ++i) {
    std::wstring lower(kRegistryRootNames[i]);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    EXPECT_EQ(RegistryRootIndex(kRegistryRootNames[i]), i);
    EXPECT_EQ(RegistryRootIndex(lower), i);
  }
  for (const wchar_t* other : {L"HKLM", L"HKEY_CURRENT_USER", L"", L" HKEY_USERS",
                               L"HKEY_LOCAL_MACHIN", L"HKEY_LOCAL_MACHINE\\", L"HKEY_USERS "}) {
    EXPECT_FALSE(RegistryRootIndex(other).has_value())
        << std::string(other, other + std::wcslen(other));
  }
}

}  // namespace
}  // namespace bramlow
