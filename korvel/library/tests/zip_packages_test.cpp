// The library's operations on real archives: a foreign package converted through the engine
// holds exactly the expected members, and a damaged package is refused.
#include <gtest/gtest.h>

#include "korvel/library/logonxp_converter.h"
#include "korvel/shared/folder_utils.h"
#include "korvel/test_support/test_files.h"
#include "korvel/test_support/test_archives.h"
#include "korvel/library/zip_packages.h"

namespace korvel {
namespace {

using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

class ZipPackagesTest : public ::testing::Test {
 protected:
  void MakeArchive(const std::wstring& archive, const std::map<std::wstring, std::string>& files) {
    testing::PackFiles(archive, files);
  }

  std::map<std::wstring, std::string> Contents(const std::wstring& archive) {
    ScratchFolder out("kvout");
    EXPECT_TRUE(reader.ExtractRoot(archive, out.Path()));
    std::map<std::wstring, std::string> files;
    for (const std::wstring& name : ListMatches(out.Path() + L"\\*"))
      files[name] = ReadBytes(out / name);
    return files;
  }

  ScratchFolder root;
  ZipPackageReader reader;
  ZipPackageWriter writer;
  LogonXpConverter converter{reader, writer, root / L"_kv"};
};

TEST_F(ZipPackagesTest, ConvertedPackageHoldsTheRenamedBitmapsAndTheUiFile) {
  const std::string picture(3000, 'p');  // long enough to be deflated
  MakeArchive(root / L"theme.logonxp", {{L"theme.ini", "[Theme]\r\n"},
                                        {L"Bitmap_100.bmp", picture + "100"},
                                        {L"Bitmap_107.bmp", picture + "107"},
                                        {L"Bitmap_112.bmp", picture + "112"},
                                        {L"uifile.txt", "<duixml/>"},
                                        {L"extra\\Bitmap_200.bmp", "inside a folder"}});

  ASSERT_EQ(converter.Convert(root / L"theme.logonxp", root / L"theme.kvl"),
            ConvertOutcome::Converted);
  const std::map<std::wstring, std::string> expected = {{L"100.bmp", picture + "100"},
                                                        {L"107.bmp", picture + "107"},
                                                        {L"112.bmp", picture + "112"},
                                                        {L"uifile.txt", "<duixml/>"}};
  EXPECT_EQ(Contents(root / L"theme.kvl"), expected);
}

TEST_F(ZipPackagesTest, ThemeIniInsideAFolderIsNoForeignPackage) {
  MakeArchive(root / L"nested.logonxp",
              {{L"inner\\theme.ini", "[Theme]"}, {L"Bitmap_100.bmp", "b"}});
  EXPECT_EQ(converter.Convert(root / L"nested.logonxp", root / L"nested.kvl"),
            ConvertOutcome::NotLogonXp);
  EXPECT_FALSE(FileExists(root / L"nested.kvl"));
}

TEST_F(ZipPackagesTest, DamagedMissingOrForeignFilesAreUnreadable) {
  MakeArchive(root / L"good.kvl", {{L"100.bmp", std::string(5000, 'x')}, {L"uifile.txt", "ui"}});
  std::string bytes = ReadBytes(root / L"good.kvl");
  EXPECT_EQ(Contents(root / L"good.kvl").size(), 2u);

  bytes[60] = static_cast<char>(bytes[60] ^ 0x55);  // inside the first member's data
  WriteBytes(root / L"damaged.kvl", bytes);
  ScratchFolder out("kvout");
  EXPECT_FALSE(reader.ExtractRoot(root / L"damaged.kvl", out.Path()));

  WriteBytes(root / L"text.kvl", "this is no archive");
  EXPECT_FALSE(reader.ExtractRoot(root / L"text.kvl", out.Path()));
  EXPECT_FALSE(reader.ExtractRoot(root / L"missing.kvl", out.Path()));

  // Damaged beyond finding any member: a damaged package, not an empty one.
  const std::string endRecordToNowhere("PK\5\6\0\0\0\0\xff\xff\xff\xff\xf0\xff\xff\xff\xf0\xff\xff\x7f\0\0", 22);
  const std::string endRecordToItself("PK\5\6\0\0\0\0\xff\xff\xff\xff\x16\0\0\0\0\0\0\0\0\0", 22);
  // A directory cut short (its last record gone, the end record kept) once let the members be
  // read from their local headers as if nothing were wrong.
  const std::string good = ReadBytes(root / L"good.kvl");
  const std::string cutDirectory =
      good.substr(0, good.rfind(std::string("PK\1\2", 4))) + good.substr(good.rfind(std::string("PK\5\6", 4)));
  const std::pair<const wchar_t*, std::string> broken[] = {
      {L"header-only.kvl", std::string("PK\3\4", 4) + std::string(26, '\0')},
      {L"cut.kvl", bytes.substr(0, bytes.size() / 2)},
      {L"cut-directory.kvl", cutDirectory},
      {L"nowhere.kvl", endRecordToNowhere},
      {L"itself.kvl", endRecordToItself}};
  for (const auto& [name, content] : broken) {
    WriteBytes(root / name, content);
    EXPECT_FALSE(reader.ExtractRoot(root / name, out.Path())) << name;
    EXPECT_FALSE(reader.ListFiles(root / name)) << name;
    std::vector<RefusedFile> refused;
    EXPECT_FALSE(reader.ExtractFiles(root / name, out.Path(), {0}, refused)) << name;
  }
}

// A name no file can have ("a:b.bmp" would write a stream of "a", "nul.bmp" the device) is the
// engine's to refuse, file by file: the package is not damaged, and the others are written.
TEST_F(ZipPackagesTest, ListsEveryFileAndExtractsTheChosenRefusingUnwritableNames) {
  MakeArchive(root / L"names.kvl", {{L"100.bmp", "picture"},
                                    {L"aXb.bmp", "stream"},
                                    {L"nuX.bmp", "device"},
                                    {L"uifile.txt", "ui"},
                                    {L"sub\\200.bmp", "inside a folder"}});
  testing::RenameStored(root / L"names.kvl", {{"aXb.bmp", "a:b.bmp"}, {"nuX.bmp", "nul.bmp"}});
  const auto listed = reader.ListFiles(root / L"names.kvl");
  ASSERT_TRUE(listed);
  std::map<std::wstring, std::size_t> at;
  for (std::size_t i = 0; i < listed->size(); ++i) at[(*listed)[i].name] = i;
  ASSERT_EQ(at.size(), 5u);
  for (const wchar_t* name : {L"100.bmp", L"a:b.bmp", L"nul.bmp", L"uifile.txt", L"sub\\200.bmp"})
    EXPECT_TRUE(at.count(name)) << name;
  EXPECT_EQ((*listed)[at[L"100.bmp"]].size, 7u);
  EXPECT_FALSE(AtRoot((*listed)[at[L"sub\\200.bmp"]]));

  ScratchFolder out("kvout");
  std::vector<RefusedFile> refused;
  ASSERT_TRUE(reader.ExtractFiles(root / L"names.kvl", out.Path(),
                                  {at[L"100.bmp"], at[L"a:b.bmp"], at[L"nul.bmp"]}, refused));
  std::set<std::size_t> refusedAt;
  for (const RefusedFile& file : refused) {
    refusedAt.insert(file.index);
    EXPECT_FALSE(file.reason.empty());
  }
  EXPECT_EQ(refusedAt, (std::set<std::size_t>{at[L"a:b.bmp"], at[L"nul.bmp"]}));
  // Only what was chosen and can be written: no "uifile.txt", no "b.bmp", no "a".
  EXPECT_EQ(testing::NamesIn(out.Path()), (std::set<std::wstring>{L"100.bmp"}));
  EXPECT_EQ(ReadBytes(out / L"100.bmp"), "picture");
}

// "Korvël" and "Tëmp" have no form in the code page; a look-alike ("Korvel") may exist and
// must never be read or written instead.
TEST_F(ZipPackagesTest, FoldersOutsideTheCodePageAreReachedNotALookAlike) {
  const std::wstring library = root / L"Korv\xebl", lookAlike = root / L"Korvel";
  const std::wstring temp = root / L"T\xebmp", tempLookAlike = root / L"Temp";
  for (const std::wstring& folder : {library, lookAlike, temp, tempLookAlike})
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  MakeArchive(library + L"\\Blue.kvl", {{L"100.bmp", "the real one"}});
  MakeArchive(lookAlike + L"\\Blue.kvl", {{L"100.bmp", "the look-alike"}});

  ASSERT_TRUE(reader.ExtractRoot(library + L"\\Blue.kvl", temp));
  EXPECT_EQ(ReadBytes(temp + L"\\100.bmp"), "the real one");
  EXPECT_TRUE(testing::NamesIn(tempLookAlike).empty());

  MakeArchive(root / L"Theme.logonxp", {{L"theme.ini", "[Theme]"}, {L"Bitmap_100.bmp", "picture"}});
  LogonXpConverter intoTemp{reader, writer, temp + L"\\_kv"};
  ASSERT_EQ(intoTemp.Convert(root / L"Theme.logonxp", library + L"\\Theme.kvl"),
            ConvertOutcome::Converted);
  EXPECT_EQ(Contents(library + L"\\Theme.kvl"),
            (std::map<std::wstring, std::string>{{L"100.bmp", "picture"}}));
  EXPECT_EQ(testing::NamesIn(lookAlike), (std::set<std::wstring>{L"Blue.kvl"}));
}

}  // namespace
}  // namespace korvel
