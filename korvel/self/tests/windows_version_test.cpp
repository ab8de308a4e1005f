// Only Windows XP passes, and the text it leaves is what the setup's question shows.
#include <gtest/gtest.h>

#include "korvel/self/windows_version.h"

namespace korvel {
namespace {

OsVersion Version(unsigned long major, unsigned long minor, const wchar_t* servicePack = L"") {
  return OsVersion{major, minor, 2600, servicePack};
}

TEST(WindowsVersion, OnlyVersionFiveOneIsAccepted) {
  EXPECT_EQ(XpVersionText(Version(5, 1, L"Service Pack 2")), L"5.1.2600.Service Pack 2");
  EXPECT_EQ(XpVersionText(Version(5, 1)), L"5.1.2600.");
  EXPECT_FALSE(XpVersionText(Version(5, 0)));  // 2000
  EXPECT_FALSE(XpVersionText(Version(5, 2)));  // Server 2003
  EXPECT_FALSE(XpVersionText(Version(6, 1)));
  EXPECT_FALSE(XpVersionText(Version(10, 0)));
  EXPECT_FALSE(XpVersionText(Version(15, 1)));  // compared as numbers, not by first digit
  EXPECT_FALSE(XpVersionText(Version(5, 11)));
  EXPECT_FALSE(XpVersionText(std::nullopt));
}

TEST(WindowsVersion, TheTestSystemPassesAndLeavesItsVersionText) {
  WindowsVersionText.clear();
  ASSERT_TRUE(CheckWindowsVersion());
  EXPECT_EQ(WindowsVersionText, L"5.1.2600.Service Pack 3");
}

}  // namespace
}  // namespace korvel
