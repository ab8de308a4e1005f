#include "testing/support/file_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "testing/support/scratch_folder.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

TEST(FileBytes, ComeBackExactlyAsWritten) {
  ScratchFolder folder;
  const fs::path file = fs::path(folder.Path()) / "bytes.bin";
  const std::string bytes("line\r\nnext\n\0\xff end", 17);
  WriteBytes(file, bytes);
  EXPECT_EQ(ReadBytes(file), bytes);
  EXPECT_EQ(ReadBytesAs<std::vector<std::uint8_t>>(file),
            std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  // Replaced, not appended to.
  WriteBytes(file, std::vector<std::uint8_t>{'a', 0, 'b'});
  EXPECT_EQ(ReadBytes(file), std::string("a\0b", 3));
  WriteBytes(file, "");
  EXPECT_TRUE(FileExists(file));
  EXPECT_EQ(ReadBytes(file), "");
}

TEST(FileBytes, AMissingFileReadsEmptyAndAnUnwritableOneThrows) {
  ScratchFolder folder;
  EXPECT_EQ(ReadBytes(fs::path(folder.Path()) / "missing.txt"), "");
  EXPECT_THROW(WriteBytes(fs::path(folder.Path()) / "no" / "such.txt", "x"), std::runtime_error);
}

TEST(FileBytes, ExistsTellsFilesFromFolders) {
  ScratchFolder folder;
  const fs::path file = fs::path(folder.Path()) / "f.txt";
  WriteBytes(file, "f");
  EXPECT_TRUE(Exists(file));
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_TRUE(Exists(folder.Path()));
  EXPECT_TRUE(FolderExists(folder.Path()));
  EXPECT_FALSE(FileExists(folder.Path()));
  EXPECT_FALSE(Exists(fs::path(folder.Path()) / "none"));
#ifdef _WIN32
  // Tests name installation folders the way the programs keep them, with the backslash.
  EXPECT_TRUE(Exists(folder.Path() + L"\\"));
  EXPECT_TRUE(FolderExists(folder.Path() + L"\\"));
#endif
}

}  // namespace
}  // namespace testsupport
