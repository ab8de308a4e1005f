#include <gtest/gtest.h>

#include "winbase/text.h"

namespace {

// "Grüße, Ελλάδα" in UTF-8 bytes: Latin-1 letters and Greek ones no Western code page holds.
const std::string kUtf8 =
    "Gr\xC3\xBC\xC3\x9F"
    "e, \xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1";
const std::wstring kWide = L"Gr\u00FC\u00DFe, \u0395\u03BB\u03BB\u03AC\u03B4\u03B1";

TEST(Text, Utf8RoundTripsEveryCharacterAndEmptyStaysEmpty) {
  EXPECT_EQ(winbase::Widen(kUtf8, CP_UTF8), kWide);
  EXPECT_EQ(winbase::ToUtf8(kWide), kUtf8);
  EXPECT_EQ(winbase::Narrow(kWide, CP_UTF8), kUtf8);
  EXPECT_EQ(winbase::Widen("", CP_UTF8), L"");
  EXPECT_EQ(winbase::Narrow(L""), "");
  // Views need no terminating zero.
  EXPECT_EQ(winbase::Widen(std::string_view("abcdef").substr(1, 3)), L"bcd");
}

TEST(Text, NarrowExactlyRefusesWhatTheCodePageLacksWhereNarrowSubstitutes) {
  const UINT western = 1252;
  EXPECT_EQ(winbase::NarrowExactly(L"Gr\u00FC\u00DFe", western), std::string("Gr\xFC\xDF"
                                                                             "e"));
  EXPECT_EQ(winbase::NarrowExactly(L"", western), std::string());
  EXPECT_FALSE(winbase::NarrowExactly(kWide, western));
  // A best fit ("e" for an epsilon) would name another file: refused as well.
  EXPECT_FALSE(winbase::NarrowExactly(L"\u03B5", western));
  EXPECT_EQ(winbase::Narrow(L"\u0395", western).size(), 1u);
  EXPECT_EQ(winbase::NarrowExactly(kWide, CP_UTF8), kUtf8);
  // The same question as a yes or no, for names written into ANSI files.
  for (const wchar_t* held : {L"", L"Gr\u00FC\u00DFe", L"C:\\Apps\\x.txt"})
    EXPECT_TRUE(winbase::FitsCodePage(held, western));
  for (const wchar_t* lost : {L"caf\u00E9 \u03B5", L"\u65E5\u672C", L"\u0395"})
    EXPECT_FALSE(winbase::FitsCodePage(lost, western));
  EXPECT_TRUE(winbase::FitsCodePage(kWide, CP_UTF8));
}

TEST(Text, WidenMessageTakesUtf8AndFallsBackToTheAnsiCodePage) {
  EXPECT_EQ(winbase::WidenMessage(kUtf8), kWide);
  const std::string notUtf8 = "caf\xE9";  // a lone Latin-1 byte
  EXPECT_EQ(winbase::WidenMessage(notUtf8), winbase::Widen(notUtf8, CP_ACP));
  EXPECT_EQ(winbase::WidenMessage(notUtf8).size(), 4u);
  EXPECT_EQ(winbase::WidenMessage(""), L"");
}

}  // namespace
