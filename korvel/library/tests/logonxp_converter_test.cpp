// Conversion of foreign packages: which files end up in the new package under which names,
// and that a failure leaves the library and the temporary folders as they should be.
#include <gtest/gtest.h>

#include "korvel/shared/folder_utils.h"
#include "korvel/test_support/fake_packages.h"
#include "korvel/library/logonxp_converter.h"
#include "korvel/library/plain_file_name.h"

namespace korvel {
namespace {

using testing::FakeReader;
using testing::FakeWriter;
using testing::FolderExists;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

TEST(RemoveBitmapPrefix, RemovesTheFirstOccurrenceInAnyCase) {
  EXPECT_EQ(RemoveBitmapPrefix(L"Bitmap_100.bmp"), L"100.bmp");
  EXPECT_EQ(RemoveBitmapPrefix(L"BITMAP_107.BMP"), L"107.BMP");
  EXPECT_EQ(RemoveBitmapPrefix(L"112.bmp"), L"112.bmp");
  EXPECT_EQ(RemoveBitmapPrefix(L"Bitmap_Bitmap_1.bmp"), L"Bitmap_1.bmp");
  EXPECT_EQ(RemoveBitmapPrefix(L"MyBitmap_5.bmp"), L"My5.bmp");
  EXPECT_EQ(RemoveBitmapPrefix(L"Bitmap"), L"Bitmap");
}

TEST(IsPlainFileName, DevicesAndNamesWindowsWouldChangeAreNotPlainAndEachSaysWhy) {
  const std::pair<const wchar_t*, FileNameFault> faults[] = {
      {L"NUL.bmp", FileNameFault::Device},      {L"con.BMP", FileNameFault::Device},
      {L"Aux", FileNameFault::Device},          {L"prn.x.bmp", FileNameFault::Device},
      {L"COM1.bmp", FileNameFault::Device},     {L"lpt9.bmp", FileNameFault::Device},
      {L"NUL .bmp", FileNameFault::Device},     {L"COM\u00B9.bmp", FileNameFault::Device},
      {L"CONOUT$.bmp", FileNameFault::Device},  {L"clock$", FileNameFault::Device},
      {L"100.bmp.", FileNameFault::DotAtEnd},   {L"100.bmp ", FileNameFault::BlankAtEnd},
      {L"", FileNameFault::Empty},              {L"a:b.bmp", FileNameFault::ForbiddenCharacter},
      {L"a\\b.bmp", FileNameFault::ForbiddenCharacter}, {L"a*.bmp", FileNameFault::ForbiddenCharacter},
      {L"a|b.bmp", FileNameFault::ForbiddenCharacter},   {L"a\"b.bmp", FileNameFault::QuoteOrControl},
      {L"a\tb.bmp", FileNameFault::QuoteOrControl}};
  for (const auto& [name, fault] : faults) {
    EXPECT_EQ(FileNameFaultOf(name), fault) << name;
    EXPECT_FALSE(IsPlainFileName(name)) << name;
  }
  EXPECT_EQ(FileNameFaultOf(std::wstring(256, L'a')), FileNameFault::TooLong);
  EXPECT_TRUE(IsPlainFileName(std::wstring(255, L'a')));
  for (const wchar_t* name : {L"100.bmp", L"NULL.bmp", L"CONSOLE.bmp", L"COM10.bmp", L"COM.bmp",
                              L"LPTX.bmp", L"xNUL.bmp", L".bmp", L"uifile.txt"})
    EXPECT_TRUE(IsPlainFileName(name)) << name;

  // A picture by the name Windows writes; names compared as the file system does.
  for (const wchar_t* name : {L"100.bmp", L"107.BMP", L".bmp", L"100.bmp. ", L"\x0417.Bmp"})
    EXPECT_TRUE(IsPictureName(name)) << name;
  for (const wchar_t* name : {L"bmp", L"100.bmp.txt", L"100bmp", L"", L"..."})
    EXPECT_FALSE(IsPictureName(name)) << name;
  EXPECT_EQ(FoldedName(L"\x0437\x0438\x043c\x0430.bmp"), L"\x0417\x0418\x041c\x0410.BMP");
}

class ConverterTest : public ::testing::Test {
 protected:
  ScratchFolder root;
  std::wstring work = root / L"_kv";
  std::wstring target = root / L"theme.kvl";
  FakeReader reader;
  FakeWriter writer;
  LogonXpConverter converter{reader, writer, work};
};

TEST_F(ConverterTest, PacksRenamedBitmapsAndTheUiFileFromASiblingStagingFolder) {
  reader.members = {{L"theme.ini", "[Theme]"},      {L"Bitmap_100.bmp", "b100"},
                    {L"Bitmap_107.bmp", "b107"},    {L"BITMAP_112.BMP", "b112"},
                    {L"uifile.txt", "ui"},          {L"preview.jpg", "p"}};

  EXPECT_EQ(converter.Convert(root / L"theme.logonxp", target), ConvertOutcome::Converted);
  EXPECT_EQ(converter.StagingFolder(), root / L"_kv2");
  EXPECT_EQ(writer.packedFolder, root / L"_kv2");
  const std::map<std::wstring, std::string> expected = {
      {L"100.bmp", "b100"}, {L"107.bmp", "b107"}, {L"112.BMP", "b112"}, {L"uifile.txt", "ui"}};
  EXPECT_EQ(writer.packed, expected);
  EXPECT_EQ(ReadBytes(target).substr(0, 6), "PACKED");
  EXPECT_FALSE(FolderExists(work));
  EXPECT_FALSE(FolderExists(converter.StagingFolder()));
}

TEST_F(ConverterTest, WithoutThemeIniOrBitmapsNoPackageIsWritten) {
  reader.members = {{L"100.bmp", "b"}, {L"uifile.txt", "ui"}};
  EXPECT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::NotLogonXp);

  reader.members = {{L"theme.ini", "[Theme]"}, {L"uifile.txt", "ui"}};
  EXPECT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::NoBitmaps);

  reader.members = {{L"theme.ini", "[Theme]"}, {L"100.bmp", "b"}};
  reader.readable = false;
  EXPECT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::Unreadable);

  EXPECT_EQ(writer.calls, 0);
  EXPECT_FALSE(FileExists(target));
  EXPECT_FALSE(FolderExists(work));
  EXPECT_FALSE(FolderExists(converter.StagingFolder()));
}

TEST_F(ConverterTest, LeftoversOfAStoppedRunAreNotPacked) {
  CreateDirectoryW(work.c_str(), nullptr);
  CreateDirectoryW(converter.StagingFolder().c_str(), nullptr);
  WriteBytes(work + L"\\theme.ini", "stale");  // would make a non-package look like one
  WriteBytes(converter.StagingFolder() + L"\\999.bmp", "stale");
  reader.members = {{L"100.bmp", "b"}};
  EXPECT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::NotLogonXp);

  reader.members = {{L"theme.ini", "[Theme]"}, {L"100.bmp", "b"}};
  CreateDirectoryW(converter.StagingFolder().c_str(), nullptr);
  WriteBytes(converter.StagingFolder() + L"\\999.bmp", "stale");
  ASSERT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::Converted);
  EXPECT_EQ(writer.packed.size(), 1u);
  EXPECT_EQ(writer.packed.count(L"100.bmp"), 1u);
}

TEST_F(ConverterTest, AFailedWriteKeepsTheExistingPackage) {
  WriteBytes(target, "old package");
  reader.members = {{L"theme.ini", "[Theme]"}, {L"Bitmap_100.bmp", "b"}};
  writer.succeeds = false;

  EXPECT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::WriteFailed);
  EXPECT_EQ(ReadBytes(target), "old package");
  EXPECT_EQ(testing::NamesIn(root.Path()), (std::set<std::wstring>{L"theme.kvl"}));

  writer.succeeds = true;  // and a good run replaces it
  EXPECT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::Converted);
  EXPECT_EQ(ReadBytes(target), "PACKED|100.bmp");
}

TEST_F(ConverterTest, TheNewPackageIsWritableAndAReadOnlyOneIsNotReplaced) {
  reader.members = {{L"theme.ini", "[Theme]"}, {L"Bitmap_100.bmp", "b"}};
  writer.leavesReadOnly = true;
  ASSERT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::Converted);
  EXPECT_FALSE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);

  WriteBytes(target, "old package");
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
  writer.leavesReadOnly = false;
  EXPECT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::WriteFailed);
  EXPECT_EQ(ReadBytes(target), "old package");
  EXPECT_EQ(testing::NamesIn(root.Path()), (std::set<std::wstring>{L"theme.kvl"}));
}

// Each of these bitmaps used to be copied to the device: gone, and the import a success (or,
// with nothing else in the package, blamed on the library).
TEST_F(ConverterTest, ABitmapWhoseNewNameIsADeviceFailsTheConversion) {
  WriteBytes(target, "old package");
  for (const wchar_t* name : {L"Bitmap_NUL.bmp", L"Bitmap_con.BMP", L"Bitmap_AUX.bmp",
                              L"Bitmap_COM1.bmp", L"Bitmap_LPT1.bmp", L"BITMAP_prn.x.bmp",
                              L"Bitmap_nul .bmp"}) {
    for (bool alone : {true, false}) {
      reader.members = {{L"theme.ini", "[Theme]"}, {name, "device"}};
      if (!alone) reader.members.push_back({L"Bitmap_100.bmp", "b100"});
      EXPECT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::UnsafeName) << name;
    }
  }
  EXPECT_EQ(writer.calls, 0);
  EXPECT_EQ(ReadBytes(target), "old package");
  EXPECT_EQ(testing::NamesIn(root.Path()), (std::set<std::wstring>{L"theme.kvl"}));
}

TEST_F(ConverterTest, ABitmapOrUiFileThatCannotBeCopiedFailsTheConversion) {
  WriteBytes(target, "old package");
  reader.members = {{L"theme.ini", "[Theme]"}, {L"Bitmap_100.bmp", "b"}, {L"uifile.txt", "ui"}};
  for (const wchar_t* blocked : {L"100.bmp", L"uifile.txt"}) {
    // A folder of that name in the staging folder: no file can be copied over it.
    reader.afterExtract = [&](const std::wstring& folder) {
      CreateDirectoryW((folder + L"2\\" + blocked).c_str(), nullptr);
    };
    EXPECT_EQ(converter.Convert(L"a.logonxp", target), ConvertOutcome::CopyFailed) << blocked;
    EXPECT_NE(converter.SystemError(), 0ul) << blocked;  // for the user to read why
  }
  EXPECT_EQ(writer.calls, 0);
  EXPECT_EQ(ReadBytes(target), "old package");
  EXPECT_EQ(testing::NamesIn(root.Path()), (std::set<std::wstring>{L"theme.kvl"}));
}

}  // namespace
}  // namespace korvel
