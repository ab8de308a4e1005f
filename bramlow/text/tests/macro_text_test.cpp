#include "bramlow/text/macro_text.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <map>

using namespace bramlow;

namespace {

// Folders of a made-up system, so that the order and the passes can be checked exactly.
struct FakeSystem {
  std::map<int, std::wstring> shell = {
      {0x26, L"C:\\Program Files"}, {0x07, L"C:\\Menu\\Programs\\Startup"},
      {0x0B, L"C:\\Menu"},          {0x16, L"C:\\All\\Menu"},
      {0x00, L"C:\\Desktop"},
  };
  std::wstring temp = L"C:\\TEMP\\";
  std::wstring installer = L"D:\\kit\\";
  std::wstring lang;
  std::wstring dest;
  std::vector<std::wstring> asked;

  std::wstring Expand(std::wstring_view text) {
    return ExpandMacroRows(text, [this](const MacroRow& row) -> std::wstring {
      asked.emplace_back(row.name);
      switch (row.source) {
        case MacroSource::ShellFolder: {
          auto it = shell.find(row.csidl);
          return it == shell.end() ? L"" : it->second;
        }
        case MacroSource::TempFolder: return temp;
        case MacroSource::Installer: return installer;
        case MacroSource::Language: return lang;
        case MacroSource::Destination: return dest;
        default: return L"";
      }
    });
  }
};

}  // namespace

TEST(MacroText, TableKeepsTheReplacementOrder) {
  ASSERT_EQ(kMacroRows.size(), 25u);
  EXPECT_EQ(kMacroRows[0].name, L"%Program Files%");
  EXPECT_EQ(kMacroRows[6].name, L"%Startup%");
  EXPECT_EQ(kMacroRows[9].name, L"%Start%");
  EXPECT_EQ(kMacroRows[13].name, L"%All Start%");
  EXPECT_EQ(kMacroRows[13].csidl, 0x16);
  EXPECT_EQ(kMacroRows[23].source, MacroSource::BackslashFold);
  EXPECT_EQ(kMacroRows[24].name, L"%Dest%");
}

TEST(MacroText, ReplacesEveryOccurrenceWithoutRegardToCase) {
  FakeSystem sys;
  EXPECT_EQ(sys.Expand(L"%Program Files%\\Viewer"), L"C:\\Program Files\\Viewer");
  EXPECT_EQ(sys.Expand(L"%program files%;%PROGRAM FILES%"), L"C:\\Program Files;C:\\Program Files");
  EXPECT_EQ(sys.Expand(L"%Other%\\x"), L"%Other%\\x");
  EXPECT_EQ(sys.Expand(L""), L"");
  // Only the macros present are looked up.
  EXPECT_EQ(sys.asked.size(), 2u);
}

TEST(MacroText, InstallerAndTempFoldWithOrWithoutBackslash) {
  FakeSystem sys;
  EXPECT_EQ(sys.Expand(L"%installer%readme.txt"), L"D:\\kit\\readme.txt");
  EXPECT_EQ(sys.Expand(L"%Installer%\\readme.txt"), L"D:\\kit\\readme.txt");
  EXPECT_EQ(sys.Expand(L"%Temp%\\x.tmp"), L"C:\\TEMP\\x.tmp");
}

TEST(MacroText, StartupStartAndAllStartAreDistinct) {
  FakeSystem sys;
  EXPECT_EQ(sys.Expand(L"%Startup%|%Start%|%All Start%"),
            L"C:\\Menu\\Programs\\Startup|C:\\Menu|C:\\All\\Menu");
  // A missing folder becomes empty text.
  EXPECT_EQ(sys.Expand(L"%All Startup%\\Viewer.lnk"), L"\\Viewer.lnk");
}

TEST(MacroText, BackslashFoldIsOnePassAndKeepsANetworkPrefix) {
  EXPECT_EQ(FoldDoubledBackslashes(L"a\\\\\\b"), L"a\\\\b");
  EXPECT_EQ(FoldDoubledBackslashes(L"a\\\\\\\\b"), L"a\\\\b");
  EXPECT_EQ(FoldDoubledBackslashes(L"\\\\server\\share\\\\x"), L"\\\\server\\share\\x");
  EXPECT_EQ(FoldDoubledBackslashes(L"\\"), L"\\");
  EXPECT_EQ(FoldDoubledBackslashes(L"\\\\"), L"\\\\");
}

TEST(MacroText, LangAndDestComeLateAndAreSearchedByLaterRowsOnly) {
  FakeSystem sys;
  EXPECT_EQ(sys.Expand(L"%Lang%.txt"), L".txt");  // no language chosen yet
  sys.lang = L"%Dest%";
  sys.dest = L"C:\\Apps\\\\Viewer";
  // Text brought in by %Lang% is expanded by %Dest%; the doubled backslash inside the
  // destination survives because the fold runs before %Dest%.
  EXPECT_EQ(sys.Expand(L"%Lang%\\bin"), L"C:\\Apps\\\\Viewer\\bin");
  // A %Temp% inside the destination is not expanded: that row came earlier.
  sys.dest = L"%Temp%";
  EXPECT_EQ(sys.Expand(L"%Dest%"), L"%Temp%");
}

TEST(MacroText, PathParts) {
  EXPECT_EQ(LastPathComponent(L"C:\\Program Files\\Viewer"), L"Viewer");
  EXPECT_EQ(LastPathComponent(L"C:Viewer"), L"Viewer");
  EXPECT_EQ(LastPathComponent(L"C:\\Apps\\"), L"");
  EXPECT_EQ(LastPathComponent(L"Viewer"), L"Viewer");
  EXPECT_EQ(FolderPart(L"C:\\kit\\bramlow.exe"), L"C:\\kit\\");
  EXPECT_EQ(FolderPart(L"bramlow.exe"), L"");
}

TEST(MacroText, OnlyAFullPathIsADestination) {
  for (const wchar_t* full : {L"C:\\Apps\\Viewer", L"d:\\", L"C:/Apps", L"\\\\server\\share\\Viewer"})
    EXPECT_TRUE(IsFullFolderPath(full)) << std::string(full, full + wcslen(full));
  // Each of these would install relative to whatever folder or drive is current.
  for (const wchar_t* relative : {L"", L" ", L"Apps\\Viewer", L"\\Apps", L"C:", L"C:Apps", L" C:\\Apps",
                                  L"%Program Files%\\Viewer", L"\\\\", L"\\\\\\x", L"1:\\Apps"})
    EXPECT_FALSE(IsFullFolderPath(relative)) << std::string(relative, relative + wcslen(relative));
}
