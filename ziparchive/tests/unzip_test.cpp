#include "unzip_fixture.h"

namespace {
std::vector<TestMember> ThemeMembers() {
  return {{"readme", "no dot in this name"},
          {"theme.ini", "[theme]\r\n"},
          {"Theme/inner.ini", "inside a folder"},
          {"Theme/Sub/deep.bmp", std::string(5000, 'B')}};
}
}  // namespace

TEST_F(UnZipTest, InitialProperties) {
  TUnZip z;
  EXPECT_TRUE(z.RecurseDirs);
  EXPECT_TRUE(z.UseStoredDirs);
  EXPECT_FALSE(z.ConfirmOverwrites);
  EXPECT_EQ(z.OverwriteMode, omOverwrite);
  EXPECT_FALSE(z.CreateStoredDirs);
  EXPECT_TRUE(z.RestoreFileAttr);
  EXPECT_EQ(z.DateAttribute, daFileDate);
  EXPECT_TRUE(z.TranslateOemChar);
  EXPECT_TRUE(z.FileSpec.empty());
  EXPECT_TRUE(z.ArchiveFile().empty());
  EXPECT_TRUE(z.ExtractDir().empty());
}

// The application's settings: top level only, whether or not names have a dot.
TEST_F(UnZipTest, StarDotStarTakesTopLevelOnly) {
  Use(BuildZip(ThemeMembers()).Bytes);
  Zip.RecurseDirs = false;
  Zip.UseStoredDirs = false;
  EXPECT_EQ(Zip.Extract(), 2);
  EXPECT_EQ(Content("readme"), "no dot in this name");
  EXPECT_EQ(Content("theme.ini"), "[theme]\r\n");
  EXPECT_FALSE(Exists("inner.ini"));
  EXPECT_FALSE(OsFolderExists(Out + "Theme"));
  EXPECT_TRUE(Codes.empty());
}

TEST_F(UnZipTest, RecurseFlatAndWithStoredFolders) {
  Use(BuildZip(ThemeMembers()).Bytes);
  Zip.RecurseDirs = true;
  Zip.UseStoredDirs = false;
  EXPECT_EQ(Zip.Extract(), 4);
  EXPECT_EQ(Content("inner.ini"), "inside a folder");
  EXPECT_TRUE(Content("deep.bmp") == std::string(5000, 'B'));

  TUnZip again;
  again.FileSpec = {"*.bmp"};
  again.SetArchiveFile(Root + "\\a.zip");
  again.SetExtractDir(Root + "\\out/stored");  // "/" and no trailing separator
  EXPECT_EQ(again.Extract(), 1);
  EXPECT_TRUE(Content("stored\\Theme\\Sub\\deep.bmp") == std::string(5000, 'B'));
  EXPECT_FALSE(Exists("stored\\theme.ini"));
}

// Stored names that lead out of ExtractDir are reported and never written.
TEST_F(UnZipTest, EscapingNamesAreRefused) {
  Use(BuildZip({{"../up.txt", "x"},
                {"ok/../../up2.txt", "x"},
                {"/rooted.txt", "x"},
                {"C:/drive.txt", "x"},
                {"a\\..\\..\\back.txt", "x"},
                {"fine/ok.txt", "fine"}})
          .Bytes);
  Zip.FileSpec = {"*"};
  EXPECT_EQ(Zip.Extract(), 1);
  EXPECT_EQ(Content("fine\\ok.txt"), "fine");
  EXPECT_EQ(Count(zipmsg::kUnsafeStoredPath), 5);
  EXPECT_FALSE(OsFileExists(Root + "\\up.txt"));
  EXPECT_FALSE(OsFileExists(Root + "\\up2.txt"));
  EXPECT_FALSE(OsFileExists(Root + "\\back.txt"));
  EXPECT_FALSE(OsFileExists("\\rooted.txt"));
}

TEST_F(UnZipTest, ConfirmOverwritesWithoutAndWithHandler) {
  Use(BuildZip({{"a.txt", "new a"}, {"b.txt", "new b"}}).Bytes);
  WriteBytes(Root + "/out/a.txt", "old a");
  Zip.ConfirmOverwrites = true;
  EXPECT_EQ(Zip.Extract(), 1);
  EXPECT_EQ(Content("a.txt"), "old a");
  EXPECT_EQ(Content("b.txt"), "new b");
  ASSERT_EQ(Count(zipmsg::kRequiredEventNotAssigned), 1);
  EXPECT_EQ(Extended[0], "OnFileExists");
  EXPECT_EQ(Zip.OverwriteMode, omOverwrite);  // reset for the next member

  // A handler that renames once, then overwrites.
  Codes.clear();
  std::vector<std::string> asked;
  Zip.OnFileExists = [&](TUnBase&, const std::string& name, std::string& newName, TOverwriteMode& mode) {
    asked.push_back(name);
    if (name.find("a.txt") != std::string::npos) newName = Out + "renamed.txt";
    mode = omOverwrite;
  };
  EXPECT_EQ(Zip.Extract(), 2);
  EXPECT_EQ(Content("a.txt"), "old a");
  EXPECT_EQ(Content("renamed.txt"), "new a");
  EXPECT_EQ(Content("b.txt"), "new b");
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_TRUE(Codes.empty());
}

TEST_F(UnZipTest, DatesAndAttributes) {
  TestMember ro{"ro.txt", "read only"};
  ro.Attributes = 0x21;
  ro.DosTime = PackDosDateTime({2003, 6, 14, 10, 20, 30});
  TestMember plain{"plain.txt", "plain"};
  plain.DosTime = PackDosDateTime({1999, 12, 31, 23, 59, 58});
  Use(BuildZip({ro, plain}).Bytes);
  EXPECT_EQ(Zip.Extract(), 2);
  EXPECT_TRUE(OsGetAttributes(Out + "ro.txt") & fattr::kReadOnly);
  EXPECT_FALSE(OsGetAttributes(Out + "plain.txt") & fattr::kReadOnly);
  uint32_t t = 0;
  ASSERT_TRUE(OsGetFileDosDateTime(Out + "plain.txt", t));
  EXPECT_EQ(t, plain.DosTime);
  ASSERT_TRUE(OsGetFileDosDateTime(Out + "ro.txt", t));
  EXPECT_EQ(t, ro.DosTime);

  // daMaxFileDate gives every file the latest date of the selected members.
  TUnZip z;
  z.FileSpec = {"*.*"};
  z.DateAttribute = daMaxFileDate;
  z.ConfirmOverwrites = false;
  z.SetArchiveFile(Root + "\\a.zip");
  z.SetExtractDir(Root + "\\out\\max");
  EXPECT_EQ(z.Extract(), 2);
  ASSERT_TRUE(OsGetFileDosDateTime(Out + "max\\plain.txt", t));
  EXPECT_EQ(t, ro.DosTime);
}

// Damage is kept, counted and reported: a CRC mismatch and a broken deflate stream.
TEST_F(UnZipTest, DamagedMembersAreKeptCountedAndReported) {
  TestMember badCrc{"badcrc.txt", "stored with a wrong crc"};
  badCrc.Method = 0;
  badCrc.CorruptCrc = true;
  std::string text(40000, 'x');
  for (size_t i = 0; i < text.size(); i += 7) text[i] = char('a' + i % 26);
  TestMember broken{"broken.txt", text};
  broken.Method = 99;  // raw bytes below, relabelled as deflate
  broken.Raw = RawDeflate(text);
  broken.Raw[broken.Raw.size() / 2] ^= 0x55;
  broken.Raw.resize(broken.Raw.size() * 3 / 4);
  ZipBuild b = BuildZip({badCrc, broken, {"good.txt", "good"}});
  // Patch the method of "broken.txt" (second member) to 8 in both headers.
  size_t local2 = 30 + badCrc.Name.size() + badCrc.Data.size();
  b.Bytes[local2 + 8] = 8;
  b.Bytes[b.CentralOffset + 46 + badCrc.Name.size() + 10] = 8;
  Use(b.Bytes);
  bool endSaidFail = false;
  Zip.OnEnd = [&](TUnBase&, const std::string& name, bool pass) {
    if (name == "badcrc.txt") endSaidFail = !pass;
  };
  EXPECT_EQ(Zip.Extract(), 3);
  EXPECT_TRUE(endSaidFail);
  EXPECT_EQ(Count(zipmsg::kFileFailsCrc), 2);
  EXPECT_EQ(Content("badcrc.txt"), "stored with a wrong crc");
  EXPECT_FALSE(Content("broken.txt") == text);
  EXPECT_EQ(Content("good.txt"), "good");
}

TEST_F(UnZipTest, MissingEmptyAndNonArchives) {
  Zip.SetArchiveFile(Root + "\\nothere.zip");
  EXPECT_TRUE(Zip.ArchiveFile().empty());
  EXPECT_EQ(Zip.ArcType(), atNA);
  EXPECT_EQ(Zip.Extract(), 0);
  EXPECT_EQ(Codes, std::vector<int>{zipmsg::kFileNotFound});

  Codes.clear();
  std::string junk(5000, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = char(i * 31 + 7);
  Use(junk);
  EXPECT_EQ(Zip.Extract(), 0);
  OsDirSearch s;
  OsFindData d;
  ASSERT_TRUE(s.Open(Out) || true);
  EXPECT_FALSE(s.Next(d));  // nothing written
}

// Finding the directory: a wrong stored offset, a comment holding the end signature and a
// comment too long to search all still reach the members.
TEST_F(UnZipTest, LocatingTheDirectory) {
  std::vector<TestMember> m = {{"one.txt", "first member"}, {"two.txt", "second member"}};
  Use(BuildZip(m, "", 12345).Bytes);
  EXPECT_EQ(Zip.Extract(), 2);
  EXPECT_EQ(Content("two.txt"), "second member");
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "the end record places the directory at offset"));  // found, and said
  Codes.clear();

  for (std::string comment : {std::string("before PK\x05\x06 after", 18), std::string(40000, 'c')}) {
    testsupport::RemoveTree(HostPath(Out));
    OsForceFolders(Out);
    Use(BuildZip(m, comment).Bytes);
    EXPECT_EQ(Zip.Extract(), 2) << comment.size();
    EXPECT_EQ(Content("one.txt"), "first member");
  }
  EXPECT_TRUE(Codes.empty());
}

TEST_F(UnZipTest, EncryptedUnsupportedAndFolderMembers) {
  TestMember enc{"secret.txt", "hidden behind a password"};
  enc.Method = 0;
  enc.Flags = 1;
  TestMember odd{"odd.bin", "whatever"};
  odd.Method = 12;
  odd.Raw = "BZh9";
  TestMember dir{"Folder/", ""};
  dir.Method = 0;
  dir.Attributes = 0x10;
  Use(BuildZip({enc, odd, dir, {"Folder/in.txt", "in"}}).Bytes);
  Zip.FileSpec = {"*"};
  Zip.CreateStoredDirs = true;
  EXPECT_EQ(Zip.Extract(), 1);
  EXPECT_FALSE(Exists("secret.txt"));
  ASSERT_EQ(Count(zipmsg::kRequiredEventNotAssigned), 1);
  EXPECT_EQ(Extended[0], "OnGetPassword");
  EXPECT_EQ(Count(zipmsg::kUnsupportedMethod), 1);
  EXPECT_FALSE(Exists("odd.bin"));  // refused before its output is created
  EXPECT_EQ(Content("Folder\\in.txt"), "in");
}

// Once cancelled, the operation stops and what is still reported carries 25443.
TEST_F(UnZipTest, CancelFromProgress) {
  std::vector<TestMember> many;
  for (int i = 0; i < 5; ++i) many.push_back({"f" + std::to_string(i) + ".txt", std::string(100000, char('a' + i))});
  many.push_back({"../late.txt", "x"});
  Use(BuildZip(many).Bytes);
  Zip.FileSpec = {"*"};
  Zip.OnProgress = [](TUnBase& s, uint64_t, uint64_t total) {
    if (total >= 150000) s.Cancel();
  };
  int n = Zip.Extract();
  EXPECT_LE(n, 2);
  EXPECT_FALSE(Exists("f4.txt"));
  for (int c : Codes) EXPECT_EQ(c, zipmsg::kUserCanceled);
}

// A shrink stream with an escape code that means nothing: the fatal "Bad block" ends that
// member only.
TEST_F(UnZipTest, LegacyDecoderFaultEndsOnlyThatMember) {
  BitWriter w;
  w.Put('A', 9);
  w.Put(256, 9);
  w.Put(7, 9);
  TestMember shrunk{"shrunk.txt", "AAAA"};
  shrunk.Method = 1;
  shrunk.Raw = w.Finish();
  Use(BuildZip({shrunk, {"after.txt", "after"}}).Bytes);
  EXPECT_EQ(Zip.Extract(), 2);
  EXPECT_EQ(Count(zipmsg::kBadBlock), 1);
  EXPECT_EQ(Count(zipmsg::kFileFailsCrc), 1);
  EXPECT_EQ(Content("shrunk.txt"), "A");
  EXPECT_EQ(Content("after.txt"), "after");
}
