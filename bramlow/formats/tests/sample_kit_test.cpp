// The language files and the script shipped in the sample kit are read the way the engine
// reads them: every key present, every formatted text a valid pattern.
#include <windows.h>

#include <gtest/gtest.h>

#include "bramlow/text/format_pattern.h"
#include "bramlow/formats/script_format.h"

using namespace bramlow;

namespace {

const std::wstring kKit = L"" KIT_SOURCE_DIR;

std::wstring KitFile(const wchar_t* name) {
  // The source folder is a Unix path; Wine maps it through drive Z:.
  std::wstring path = L"Z:" + kKit + L"/" + name;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

void CheckLanguageFile(const wchar_t* name) {
  ProfileFile file(KitFile(name), L"language");
  const int formatted[] = {4, 5, 8, 10, 12, 14, 17, 20, 21, 26, 27, 31, 32, 33, 37};
  for (int key = 1; key <= 44; ++key) {
    std::wstring text = file.ProfileText(std::to_wstring(key), L"");
    EXPECT_FALSE(text.empty()) << "key " << key;
    EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
  }
  for (int key : formatted) {
    std::wstring text = file.ProfileText(std::to_wstring(key), L"");
    EXPECT_NE(text.find(L"%s"), std::wstring::npos) << "key " << key;
    EXPECT_NO_THROW(FormatPattern(text, L"Viewer")) << "key " << key;
  }
  EXPECT_NO_THROW(FormatPattern(file.ProfileText(L"38", L""), L""));
}

}  // namespace

TEST(SampleKit, LanguageFilesHaveEveryKey) {
  CheckLanguageFile(L"English.qxl");
  CheckLanguageFile(L"Russian.qxl");
  ProfileFile english(KitFile(L"English.qxl"), L"language");
  EXPECT_EQ(english.ProfileText(L"3", L""), L"Cancel");
}

TEST(SampleKit, RussianIsInCodePage1251) {
  if (GetACP() != 1251) GTEST_SKIP() << "needs the Russian ANSI code page";
  ProfileFile russian(KitFile(L"Russian.qxl"), L"language");
  EXPECT_EQ(russian.ProfileText(L"3", L""), L"\u041E\u0442\u043C\u0435\u043D\u0430");  // Отмена
}

TEST(SampleKit, ScriptUsesEveryList) {
  ProfileFile script(KitFile(L"setup.qx1"));
  ScriptSetup s = ReadScriptSetup(script);
  EXPECT_EQ(s.AppName, L"Sample Viewer 1.0");
  EXPECT_TRUE(s.CreateUninst);
  EXPECT_GT(s.OthCount, 0);
  EXPECT_GT(s.IniCount, 0);
  EXPECT_GT(s.RegCount, 0);
  EXPECT_GT(s.LnkCount, 0);
  EXPECT_GT(s.ExeCount, 0);
  for (int n = 1; n <= s.OthCount; ++n) EXPECT_FALSE(ReadOthItem(script, n).Dest.empty());
  for (int n = 1; n <= s.IniCount; ++n) EXPECT_FALSE(ReadIniItem(script, n).File.empty());
  for (int n = 1; n <= s.RegCount; ++n) EXPECT_FALSE(ReadRegItem(script, n).Key.empty());
  for (int n = 1; n <= s.LnkCount; ++n) EXPECT_FALSE(ReadLnkItem(script, n).LinkName.empty());
  for (int n = 1; n <= s.ExeCount; ++n) EXPECT_FALSE(ReadExeItem(script, n).File.empty());
  EXPECT_FALSE(ReadUnExeEntries(script).empty());
}
