// The string table's patterns are filled in as written: each "%s" in turn, nothing else; and a
// name is shown without what would break or turn the message's line.
#include <gtest/gtest.h>

#include "korvel/shared/message_text.h"

namespace korvel {
namespace {

TEST(MessageText, PatternWithoutPlaceholderOrWithPercentInArgumentStaysIntact) {
  EXPECT_EQ(FormatMessagePattern(L"no placeholder", L"x"), L"no placeholder");
  EXPECT_EQ(FormatMessagePattern(L"(%s) %s", L"%s"), L"(%s) %s");
  EXPECT_EQ(FormatMessagePattern(L"XP %s)", L""), L"XP )");
  // The second argument goes to the pattern's second "%s", never into the first argument.
  EXPECT_EQ(FormatMessagePattern(L"%s: as %s.", {L"a%s.bmp", L"b.bmp"}), L"a%s.bmp: as b.bmp.");
  EXPECT_EQ(FormatMessagePattern(L"%s only", {L"x", L"y"}), L"x only");
}

TEST(MessageText, NamesLoseWhatWouldBreakOrTurnTheLine) {
  EXPECT_EQ(PrintableName(L"a\tb\nc\x7f\x85.bmp"), L"a?b?c??.bmp");
  for (wchar_t mark : {0x061c, 0x200e, 0x200f, 0x202a, 0x202b, 0x202c, 0x202d, 0x202e, 0x2066,
                       0x2067, 0x2068, 0x2069})
    EXPECT_EQ(PrintableName(std::wstring(1, mark) + L"gpj.bmp"), L"?gpj.bmp") << int(mark);
  EXPECT_EQ(PrintableName(L"Зима \x2116" L"1.bmp"), L"Зима \x2116" L"1.bmp");
}

}  // namespace
}  // namespace korvel
