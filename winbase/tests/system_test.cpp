#include <gtest/gtest.h>

#include "winbase/error.h"
#include "winbase/file_identity.h"
#include "winbase/handles.h"
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

// One folder in another spelling (its short name, "." and "..") has the same identity; another
// folder, a file in it and what is not there have none in common.
TEST(FileIdentity, IsTheSameForEverySpellingOfOneFolder) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"kv identity test folder";
  const std::wstring file = folder + L"\\inside.txt";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  winbase::FileHandle(
      ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  wchar_t shortForm[MAX_PATH] = {};
  ::GetShortPathNameW(folder.c_str(), shortForm, MAX_PATH);
  const std::wstring name = folder.substr(folder.rfind(L'\\') + 1);
  for (const std::wstring& same :
       {folder + L"\\", std::wstring(shortForm), folder + L"\\.\\..\\" + name})
    EXPECT_TRUE(winbase::SameFileObject(folder, same)) << winbase::ToUtf8(same);
  for (const std::wstring& other : {file, std::wstring(temp), folder + L"\\gone"})
    EXPECT_FALSE(winbase::SameFileObject(folder, other)) << winbase::ToUtf8(other);
  EXPECT_FALSE(winbase::IdentityOf(folder + L"\\gone"));
  EXPECT_FALSE(winbase::SameFileObject(folder + L"\\gone", folder + L"\\gone"));
  // Held open by a program that shares nothing: its identity can still be asked.
  winbase::FileHandle holder(
      ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(winbase::IdentityOf(file));
  holder.reset();
  ::DeleteFileW(file.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
