#include "bramlow/actions/language/language_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"

using namespace bramlow;

TEST(LanguageFiles, ListsLanguageFilesOnly) {
  testsupport::ScratchFolder dir;
  testsupport::WriteBytes(dir / L"English.qxl", "");
  testsupport::WriteBytes(dir / L"Deutsch.qxl", "");
  testsupport::WriteBytes(dir / L"readme.txt", "");
  testsupport::WriteBytes(dir / L"en.us.qxl", "");
  testsupport::WriteBytes(dir / L"Hidden.qxl", "");
  SetFileAttributesW((dir / L"Hidden.qxl").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  CreateDirectoryW((dir / L"Folder.qxl").c_str(), nullptr);
  std::vector<std::wstring> names = ListLanguageNames(dir.Path() + L"\\");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Deutsch", L"English", L"Hidden", L"en.us"}));
  testsupport::ScratchFolder empty;
  EXPECT_TRUE(ListLanguageNames(empty.Path() + L"\\").empty());
}

TEST(LanguageFiles, Names) {
  EXPECT_EQ(LanguageNameOf(L"English.qxl"), L"English");
  EXPECT_EQ(LanguageNameOf(L"en.us.qxl"), L"en.us");
  std::wstring folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), L'\\');
}
