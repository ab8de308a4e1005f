// The mode comes from the exact first argument alone.
#include <gtest/gtest.h>

#include "korvel/app_mode.h"

namespace korvel {
namespace {

TEST(ChooseMode, OnlyTheExactFirstArgumentSelectsAMode) {
  EXPECT_EQ(ChooseMode({L"/1"}), AppMode::Install);
  EXPECT_EQ(ChooseMode({L"/2"}), AppMode::RemoveConfirm);
  EXPECT_EQ(ChooseMode({L"/3"}), AppMode::RemoveQuiet);
  EXPECT_EQ(ChooseMode({}), AppMode::Library);
  for (const wchar_t* other : {L"/4", L"-1", L"/10", L"/1 ", L"1", L"", L"/"}) {
    EXPECT_EQ(ChooseMode({other}), AppMode::Library) << other;
  }
  EXPECT_EQ(ChooseMode({L"x", L"/1"}), AppMode::Library);
  EXPECT_EQ(ChooseMode({L"/3", L"/1"}), AppMode::RemoveQuiet);
}

}  // namespace
}  // namespace korvel
