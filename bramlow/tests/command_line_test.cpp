// The switches of bramlow.exe and Uninstall.exe, as deployment tools write them.
#include <gtest/gtest.h>

#include "bramlow/command_line.h"

namespace bramlow {
namespace {

TEST(SetupSwitches, NothingGivenChangesNothing) {
  for (const wchar_t* line : {L"", L"   ", L"/X /SILENT -S S /LANGUAGE=x /DEST=y", L"/S=1"}) {
    const SetupSwitches s = ParseSetupSwitches(line);
    EXPECT_FALSE(s.silent) << line;
    EXPECT_FALSE(s.language) << line;
    EXPECT_FALSE(s.destination) << line;
    EXPECT_FALSE(s.logFile) << line;
  }
}

TEST(SetupSwitches, NamesInAnyCaseAnywhereWithUnknownOnesBetween) {
  const SetupSwitches s = ParseSetupSwitches(L"/lang=Russian /foo /log=C:\\logs\\setup.log /s");
  EXPECT_TRUE(s.silent);
  EXPECT_EQ(s.language, L"Russian");
  EXPECT_EQ(s.logFile, L"C:\\logs\\setup.log");
  EXPECT_FALSE(s.destination);
}

TEST(SetupSwitches, QuotedValuesKeepTheirBlanks) {
  SetupSwitches s = ParseSetupSwitches(L"/LOG=\"C:\\my logs\\a b.log\" /S \"/D=C:\\Program Files\\App\" /LANG=en");
  EXPECT_EQ(s.logFile, L"C:\\my logs\\a b.log");
  EXPECT_EQ(s.destination, L"C:\\Program Files\\App");
  EXPECT_EQ(s.language, L"en") << "a quoted /D= is one word; what follows is read as usual";
  EXPECT_TRUE(s.silent);

  s = ParseSetupSwitches(L"/D=\"C:\\Program Files\\App\\\"");
  EXPECT_EQ(s.destination, L"C:\\Program Files\\App\\") << "no escape rules: a trailing backslash stays";
}

TEST(SetupSwitches, AnUnquotedDestinationRunsToTheEndOfTheLine) {
  SetupSwitches s = ParseSetupSwitches(L"/S /D=C:\\Program Files\\My App  \r\n");
  EXPECT_TRUE(s.silent);
  EXPECT_EQ(s.destination, L"C:\\Program Files\\My App");
  s = ParseSetupSwitches(L"/D=C:\\App /S");
  EXPECT_EQ(s.destination, L"C:\\App /S");
  EXPECT_FALSE(s.silent) << "/D= comes last";
}

TEST(SetupSwitches, AnEmptyFolderOrLanguageIsKeptToBeRefusedAndTheLastOneWins) {
  SetupSwitches s = ParseSetupSwitches(L"/LANG= /LOG=\"\" /D=");
  EXPECT_EQ(s.language, L"") << "an empty name must not fall back to the preselected language";
  EXPECT_EQ(s.destination, L"") << "an empty folder must not fall back to the kit's";
  EXPECT_FALSE(s.logFile);
  s = ParseSetupSwitches(L"\"/D=\" /LANG=\"\"");
  EXPECT_EQ(s.destination, L"");
  EXPECT_EQ(s.language, L"");
  s = ParseSetupSwitches(L"/LANG=English /LANG=Russian");
  EXPECT_EQ(s.language, L"Russian");
}

}  // namespace
}  // namespace bramlow
