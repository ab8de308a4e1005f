#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "bramlow/actions/entries/shortcut.h"
#include "test_support.h"
#include "winbase/handles.h"

namespace bramlow {
namespace {

using testing::FileExists;
using testing::FolderExists;
using testing::ScratchFolder;

struct LinkContents {
  std::wstring target, arguments, workFolder, description, iconFile;
  int iconIndex = -1;
  int show = -1;
  WORD hotkey = 0xFFFF;
};

LinkContents ReadLink(const std::wstring& path) {
  LinkContents contents;
  winbase::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    return contents;
  winbase::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return contents;
  if (FAILED(file->Load(path.c_str(), STGM_READ))) return contents;
  wchar_t buffer[MAX_PATH * 2] = {};
  link->GetPath(buffer, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
  contents.target = buffer;
  buffer[0] = 0;
  link->GetArguments(buffer, MAX_PATH * 2);
  contents.arguments = buffer;
  buffer[0] = 0;
  link->GetWorkingDirectory(buffer, MAX_PATH * 2);
  contents.workFolder = buffer;
  buffer[0] = 0;
  link->GetDescription(buffer, MAX_PATH * 2);
  contents.description = buffer;
  buffer[0] = 0;
  link->GetIconLocation(buffer, MAX_PATH * 2, &contents.iconIndex);
  contents.iconFile = buffer;
  link->GetShowCmd(&contents.show);
  link->GetHotkey(&contents.hotkey);
  return contents;
}

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The target must exist for the shell to keep its path as given.
    target = scratch / L"app.exe";
    testing::WriteBytes(target, "MZ");
    icon = scratch / L"app.ico";
    testing::WriteBytes(icon, "icon");
  }
  ScratchFolder scratch;
  winbase::ComInit com;
  std::wstring target, icon;
};

TEST_F(ShortcutTest, WritesEveryPropertyReadableByTheShell) {
  ShortcutSpec shortcut;
  shortcut.target = target;
  shortcut.arguments = L"/open \"a file.txt\"";
  shortcut.workFolder = scratch.Path();
  shortcut.linkFile = scratch / L"Viewer.lnk";
  shortcut.iconFile = icon;
  shortcut.iconIndex = 3;
  ASSERT_TRUE(CreateShortcut(shortcut));
  ASSERT_TRUE(FileExists(shortcut.linkFile));
  const LinkContents got = ReadLink(shortcut.linkFile);
  EXPECT_EQ(_wcsicmp(got.target.c_str(), target.c_str()), 0) << std::string(got.target.begin(), got.target.end());
  EXPECT_EQ(got.arguments, shortcut.arguments);
  EXPECT_EQ(_wcsicmp(got.workFolder.c_str(), scratch.Path().c_str()), 0);
  EXPECT_EQ(got.description, L"");
  EXPECT_EQ(_wcsicmp(got.iconFile.c_str(), icon.c_str()), 0);
  EXPECT_EQ(got.iconIndex, 3);
  EXPECT_EQ(got.show, SW_SHOWNORMAL);
  EXPECT_EQ(got.hotkey, 0);
}

TEST_F(ShortcutTest, CreatesOneMissingFolderLevelButNotTwo) {
  ShortcutSpec shortcut;
  shortcut.target = target;
  shortcut.linkFile = scratch / L"Viewer\\Viewer.lnk";
  EXPECT_TRUE(CreateShortcut(shortcut));
  EXPECT_TRUE(FolderExists(scratch / L"Viewer"));
  EXPECT_TRUE(FileExists(shortcut.linkFile));

  shortcut.linkFile = scratch / L"One\\Two\\Viewer.lnk";
  EXPECT_TRUE(CreateShortcut(shortcut));
  EXPECT_FALSE(FolderExists(scratch / L"One"));
  EXPECT_FALSE(FileExists(shortcut.linkFile));
}

TEST_F(ShortcutTest, ANameWithoutExtensionIsStillALinkFile) {
  ShortcutSpec shortcut;
  shortcut.target = target;
  shortcut.linkFile = scratch / L"Viewer";
  ASSERT_TRUE(CreateShortcut(shortcut));
  ASSERT_TRUE(FileExists(shortcut.linkFile));
  EXPECT_EQ(_wcsicmp(ReadLink(shortcut.linkFile).target.c_str(), target.c_str()), 0);
}

TEST_F(ShortcutTest, NoIconFileMeansIconNumberZero) {
  ShortcutSpec shortcut;
  shortcut.target = target;
  shortcut.linkFile = scratch / L"NoIcon.lnk";
  ASSERT_TRUE(CreateShortcut(shortcut));
  const LinkContents got = ReadLink(shortcut.linkFile);
  EXPECT_EQ(got.iconIndex, 0);
  EXPECT_EQ(got.iconFile, L"");
}

}  // namespace
}  // namespace bramlow
