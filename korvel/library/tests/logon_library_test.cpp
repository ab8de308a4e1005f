// The library list and import: what is listed, when the user is asked, and that a declined or
// failed import leaves the library as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "korvel/test_support/fake_packages.h"
#include "korvel/library/logon_importer.h"

namespace korvel {
namespace {

using testing::FakeReader;
using testing::FakeWriter;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { CreateDirectoryW(library.Folder().c_str(), nullptr); }

  std::vector<std::wstring> Sorted() const {
    auto names = library.Packages();
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchFolder root;
  ScratchFolder downloads{"kvdownloads"};
  LogonLibrary library{root.Path() + L"\\"};
  FakeReader reader;
  FakeWriter writer;
  LogonXpConverter converter{reader, writer, root / L"_kv"};
  std::vector<std::wstring> asked;
  bool answer = false;
  LogonImporter importer{library, converter, [this](const std::wstring& target) {
                           asked.push_back(target);
                           return answer;
                         }};
};

TEST_F(LibraryTest, ListsEveryKvlEntryIncludingFoldersAndDeletes) {
  WriteBytes(library.Folder() + L"a.kvl", "a");
  WriteBytes(library.Folder() + L"b.KVL", "b");
  WriteBytes(library.Folder() + L"c.zip", "c");
  CreateDirectoryW((library.Folder() + L"d.kvl").c_str(), nullptr);
  EXPECT_EQ(Sorted(), (std::vector<std::wstring>{L"a.kvl", L"b.KVL", L"d.kvl"}));

  EXPECT_EQ(library.Delete(L"a.kvl"), DeleteOutcome::Deleted);
  EXPECT_EQ(library.Delete(L""), DeleteOutcome::Failed);
  // already gone is what was asked for
  EXPECT_EQ(library.Delete(L"gone.kvl"), DeleteOutcome::Deleted);
  EXPECT_EQ(Sorted(), (std::vector<std::wstring>{L"b.KVL", L"d.kvl"}));

  LogonLibrary missing(root / L"nowhere\\");
  EXPECT_TRUE(missing.Packages().empty());
}

TEST_F(LibraryTest, KvlImportKeepsTheNameAndAsksOnlyBeforeReplacing) {
  WriteBytes(downloads / L"Blue.KvL", "new");
  EXPECT_EQ(importer.Import(downloads / L"Blue.KvL"), ImportOutcome::Copied);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(Sorted(), (std::vector<std::wstring>{L"Blue.KvL"}));

  WriteBytes(downloads / L"Blue.KvL", "newer");
  answer = false;
  EXPECT_EQ(importer.Import(downloads / L"Blue.KvL"), ImportOutcome::Declined);
  EXPECT_EQ(ReadBytes(library.Folder() + L"Blue.KvL"), "new");
  answer = true;
  EXPECT_EQ(importer.Import(downloads / L"Blue.KvL"), ImportOutcome::Copied);
  EXPECT_EQ(ReadBytes(library.Folder() + L"Blue.KvL"), "newer");
  EXPECT_EQ(asked, (std::vector<std::wstring>(2, library.Folder() + L"Blue.KvL")));
}

TEST_F(LibraryTest, LogonXpImportConvertsAndAFailureKeepsTheOldPackage) {
  WriteBytes(downloads / L"Night.LogonXP", "foreign");
  reader.members = {{L"theme.ini", "[Theme]"}, {L"Bitmap_100.bmp", "b"}};
  EXPECT_EQ(importer.Import(downloads / L"Night.LogonXP"), ImportOutcome::Converted);
  EXPECT_EQ(Sorted(), (std::vector<std::wstring>{L"Night.kvl"}));
  const std::string converted = ReadBytes(library.Folder() + L"Night.kvl");

  answer = true;
  reader.members = {{L"readme.txt", "not a logon package"}};
  EXPECT_EQ(importer.Import(downloads / L"Night.LogonXP"), ImportOutcome::ConversionFailed);
  EXPECT_EQ(importer.LastConversion(), ConvertOutcome::NotLogonXp);
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_EQ(ReadBytes(library.Folder() + L"Night.kvl"), converted);
  EXPECT_EQ(Sorted(), (std::vector<std::wstring>{L"Night.kvl"}));
}

// A plain copy keeps a CD's read-only attribute, and such a package could then be neither
// deleted nor replaced.
TEST_F(LibraryTest, ImportedPackagesAreWritableAndAFailedReplaceKeepsTheOld) {
  WriteBytes(downloads / L"Cd.kvl", "from a CD");
  SetFileAttributesW((downloads / L"Cd.kvl").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(importer.Import(downloads / L"Cd.kvl"), ImportOutcome::Copied);
  EXPECT_FALSE(GetFileAttributesW((library.Folder() + L"Cd.kvl").c_str()) &
               FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(library.Delete(L"Cd.kvl"), DeleteOutcome::Deleted);
  EXPECT_TRUE(library.Packages().empty());

  // One made read-only some other way stays, whole, and says so.
  WriteBytes(library.Folder() + L"Cd.kvl", "kept");
  SetFileAttributesW((library.Folder() + L"Cd.kvl").c_str(), FILE_ATTRIBUTE_READONLY);
  answer = true;
  EXPECT_EQ(importer.Import(downloads / L"Cd.kvl"), ImportOutcome::WriteFailed);
  EXPECT_EQ(ReadBytes(library.Folder() + L"Cd.kvl"), "kept");
  EXPECT_EQ(library.Delete(L"Cd.kvl"), DeleteOutcome::Failed);
  EXPECT_EQ(Sorted(), (std::vector<std::wstring>{L"Cd.kvl"}));
  EXPECT_EQ(testing::NamesIn(root.Path() + L"\\logons"), (std::set<std::wstring>{L"Cd.kvl"}));
}

TEST_F(LibraryTest, OtherFilesAreIgnored) {
  WriteBytes(downloads / L"photo.bmp", "x");
  WriteBytes(downloads / L"noextension", "x");
  EXPECT_EQ(importer.Import(downloads / L"photo.bmp"), ImportOutcome::Ignored);
  EXPECT_EQ(importer.Import(downloads / L"noextension"), ImportOutcome::Ignored);
  EXPECT_EQ(importer.Import(downloads / L"missing.kvl"), ImportOutcome::Ignored);
  EXPECT_EQ(importer.Import(L""), ImportOutcome::Ignored);
  EXPECT_TRUE(library.Packages().empty());
  EXPECT_EQ(reader.calls, 0);
}

}  // namespace
}  // namespace korvel
