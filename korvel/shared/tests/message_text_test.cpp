// The string table's patterns are filled in as written: only the first "%s", nothing else.
#include <gtest/gtest.h>

#include "korvel/shared/message_text.h"

namespace korvel {
namespace {

TEST(MessageText, PatternWithoutPlaceholderOrWithPercentInArgumentStaysIntact) {
  EXPECT_EQ(FormatMessagePattern(L"no placeholder", L"x"), L"no placeholder");
  EXPECT_EQ(FormatMessagePattern(L"(%s) %s", L"%s"), L"(%s) %s");
  EXPECT_EQ(FormatMessagePattern(L"XP %s)", L""), L"XP )");
}

}  // namespace
}  // namespace korvel
