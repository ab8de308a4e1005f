#include <gtest/gtest.h>

#include "winbase/error.h"
#include "winbase/module_path.h"
#include "winbase/system_error_text.h"
#include "winbase/text.h"

namespace {

bool EndsWithNoCase(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE,
                          text.c_str() + text.size() - tail.size(), static_cast<int>(tail.size()),
                          tail.c_str(), static_cast<int>(tail.size())) == CSTR_EQUAL;
}

TEST(SystemErrorText, IsTheSystemsWordingWithoutTheLineBreak) {
  const std::wstring text = winbase::SystemErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'\n');
  EXPECT_NE(text.back(), L'\r');
  EXPECT_NE(text.back(), L' ');
  EXPECT_EQ(winbase::SystemErrorText(0x2FFFFFFF), L"");
}

TEST(ModulePath, NamesThisProgramFileInFull) {
  const std::wstring path = winbase::ProgramPath();
  EXPECT_TRUE(EndsWithNoCase(path, L"\\winbase_test.exe")) << winbase::ToUtf8(path);
  EXPECT_EQ(path.find(L'\0'), std::wstring::npos);
  EXPECT_EQ(winbase::ModulePath(nullptr), path);
  EXPECT_TRUE(
      EndsWithNoCase(winbase::ModulePath(::GetModuleHandleW(L"kernel32.dll")), L"kernel32.dll"));
}

TEST(Error, KeepsTheWideMessageAndGivesWhatInUtf8) {
  try {
    throw winbase::Error(L"Stra\u00DFe \U0001F600");
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(),
                 "Stra\xC3\x9F"
                 "e \xF0\x9F\x98\x80");
    EXPECT_EQ(dynamic_cast<const winbase::Error&>(e).Message(), L"Stra\u00DFe \U0001F600");
  }
}

}  // namespace
