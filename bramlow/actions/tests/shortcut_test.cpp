#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "ui/handles.h"
#include "bramlow/actions/shortcut.h"
#include "test_support.h"

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
  ui::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    return contents;
  ui::ComPtr<IPersistFile> file;
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
    testing::WriteTextFile(target, "MZ");
    icon = scratch / L"app.ico";
    testing::WriteTextFile(icon, "icon");
  }
  ScratchFolder scratch;
  ui::ComInit com;
  std::wstring target, icon;
};

TEST_F(ShortcutTest, WritesEveryPropertyReadableByTheShell) {
  ShortcutSpec spec;
  spec.target = target;
  spec.arguments = L"/open \"a file.txt\"";
  spec.workFolder = scratch.path();
  spec.linkFile = scratch / L"Viewer.lnk";
  spec.iconFile = icon;
  spec.iconIndex = 3;
  ASSERT_TRUE(CreateShortcut(spec));
  ASSERT_TRUE(FileExists(spec.linkFile));
  const LinkContents got = ReadLink(spec.linkFile);
  EXPECT_EQ(_wcsicmp(got.target.c_str(), target.c_str()), 0) << std::string(got.target.begin(), got.target.end());
  EXPECT_EQ(got.arguments, spec.arguments);
  EXPECT_EQ(_wcsicmp(got.workFolder.c_str(), scratch.path().c_str()), 0);
  EXPECT_EQ(got.description, L"");
  EXPECT_EQ(_wcsicmp(got.iconFile.c_str(), icon.c_str()), 0);
  EXPECT_EQ(got.iconIndex, 3);
  EXPECT_EQ(got.show, SW_SHOWNORMAL);
  EXPECT_EQ(got.hotkey, 0);
}

TEST_F(ShortcutTest, CreatesOneMissingFolderLevelButNotTwo) {
  ShortcutSpec spec;
  spec.target = target;
  spec.linkFile = scratch / L"Viewer\\Viewer.lnk";
  EXPECT_TRUE(CreateShortcut(spec));
  EXPECT_TRUE(FolderExists(scratch / L"Viewer"));
  EXPECT_TRUE(FileExists(spec.linkFile));

  spec.linkFile = scratch / L"One\\Two\\Viewer.lnk";
  EXPECT_TRUE(CreateShortcut(spec));
  EXPECT_FALSE(FolderExists(scratch / L"One"));
  EXPECT_FALSE(FileExists(spec.linkFile));
}

TEST_F(ShortcutTest, ANameWithoutExtensionIsStillALinkFile) {
  ShortcutSpec spec;
  spec.target = target;
  spec.linkFile = scratch / L"Viewer";
  ASSERT_TRUE(CreateShortcut(spec));
  ASSERT_TRUE(FileExists(spec.linkFile));
  EXPECT_EQ(_wcsicmp(ReadLink(spec.linkFile).target.c_str(), target.c_str()), 0);
}

TEST_F(ShortcutTest, NoIconFileMeansIconNumberZero) {
  ShortcutSpec spec;
  spec.target = target;
  spec.linkFile = scratch / L"NoIcon.lnk";
  ASSERT_TRUE(CreateShortcut(spec));
  const LinkContents got = ReadLink(spec.linkFile);
  EXPECT_EQ(got.iconIndex, 0);
  EXPECT_EQ(got.iconFile, L"");
}

}  // namespace
}  // namespace bramlow
