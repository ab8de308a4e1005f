#include "testing/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "testing/support/file_bytes.h"
#include "testing/support/folder_names.h"
#include "testing/support/tree_removal.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

TEST(ScratchFolder, EachIsNewEmptyAndUnderTheTemporaryFolder) {
  ScratchFolder first("same");
  ScratchFolder second("same");
  EXPECT_NE(first.Path(), second.Path());
  EXPECT_TRUE(fs::is_empty(first.Path()));
  EXPECT_EQ(fs::path(first.Path()).parent_path(), fs::path(second.Path()).parent_path());
  EXPECT_EQ(fs::path(first.Path()).filename().string().rfind("same_", 0), 0u);
  EXPECT_EQ(first / NativePath(fs::path("a.txt").native()),
            (fs::path(first.Path()) / "a.txt").make_preferred().native());
}

// Read-only entries are what the old removal loops were written for: a setup marks files so.
TEST(ScratchFolder, GoesWithItsWholeTreeReadOnlyEntriesToo) {
  NativePath kept;
  {
    ScratchFolder folder;
    kept = folder.Path();
    const fs::path deep = fs::path(folder.Path()) / "sub" / "deeper";
    fs::create_directories(deep);
    WriteBytes(deep / "file.bin", "x");
    fs::permissions(deep / "file.bin",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    WriteBytes(fs::path(folder.Path()) / "top.txt", "y");
  }
  EXPECT_FALSE(Exists(kept));
}

TEST(RemoveTree, LeavesNothingAndTakesAMissingFolderQuietly) {
  ScratchFolder folder;
  const fs::path tree = fs::path(folder.Path()) / "tree";
  fs::create_directories(tree / "a" / "b");
  WriteBytes(tree / "a" / "b" / "c.txt", "c");
  WriteBytes(tree / "d.txt", "d");
  RemoveTree(tree);
  EXPECT_FALSE(Exists(tree));
  EXPECT_TRUE(FolderExists(folder.Path()));
  RemoveTree(tree);
  RemoveTree(tree / "never" / "there");
}

TEST(FolderNames, ListFilesAndFoldersOnlyOneLevelDeep) {
  ScratchFolder folder;
  const fs::path root(folder.Path());
  fs::create_directories(root / "b" / "inner");
  WriteBytes(root / "c.txt", "c");
  WriteBytes(root / "a.txt", "a");
  const std::vector<NativePath> expected = {fs::path("a.txt").native(), fs::path("b").native(),
                                            fs::path("c.txt").native()};
  EXPECT_EQ(SortedFolderNames(root), expected);
  std::vector<NativePath> listed = FolderNames(root);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, expected);
  EXPECT_TRUE(FolderNames(root / "missing").empty());
}

}  // namespace
}  // namespace testsupport
