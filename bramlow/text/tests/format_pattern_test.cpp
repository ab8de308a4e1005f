#include "bramlow/text/format_pattern.h"

#include <gtest/gtest.h>

using namespace bramlow;

namespace {

std::wstring ErrorOf(std::wstring_view pattern) {
  try {
    FormatPattern(pattern, L"Viewer");
  } catch (const FormatError& e) {
    return e.Message();
  }
  return L"<no error>";
}

}  // namespace

TEST(FormatPattern, InsertsTheArgumentAndPercentSigns) {
  EXPECT_EQ(FormatPattern(L"Welcome to %s setup", L"Viewer"), L"Welcome to Viewer setup");
  EXPECT_EQ(FormatPattern(L"100%% of %s", L"Viewer"), L"100% of Viewer");
  EXPECT_EQ(FormatPattern(L"%%s", L"Viewer"), L"%s");
  EXPECT_EQ(FormatPattern(L"no placeholder", L"Viewer"), L"no placeholder");
  EXPECT_EQ(FormatPattern(L"", L"Viewer"), L"");
  // The argument is inserted as it is, percent signs and all.
  EXPECT_EQ(FormatPattern(L"[%s]", L"50%s%d"), L"[50%s%d]");
}

TEST(FormatPattern, RejectsWhatIsNotOneTextArgument) {
  EXPECT_EQ(ErrorOf(L"Count: %d"), L"Format 'Count: %d' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf(L"50%"), L"Format '50%' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf(L"% of"), L"Format '% of' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf(L"%5s"), L"Format '%5s' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf(L"%s and %s"), L"No argument for format '%s and %s'");
  EXPECT_EQ(ErrorOf(L"%s %d"), L"No argument for format '%s %d'");
}

TEST(ExpandLineBreaks, TurnsBackslashNOfEitherCaseIntoCrLf) {
  EXPECT_EQ(ExpandLineBreaks(L"Welcome to Viewer.\\nClick Next.\\NBye"),
            L"Welcome to Viewer.\r\nClick Next.\r\nBye");
  EXPECT_EQ(ExpandLineBreaks(L"C:\\new\\\\n"), L"C:\r\new\\\r\n");
  EXPECT_EQ(ExpandLineBreaks(L"ends with \\"), L"ends with \\");
}
