#include "ziparchive/archive/zip_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "ziparchive/archive/unzip.h"
#include "ziparchive/records/wildcard.h"
#include "ziparchive/records/zip_messages.h"
#include "zip_writer_test_util.h"

using namespace ziparchive;

namespace {

struct Report {
  std::string fileName, extendedMsg;
  int code;
};

// A writer whose reports are collected.
class RecordedZip {
 public:
  RecordedZip() {
    zip.OnError = [this](TZipCommon&, const std::string& f, const std::string& x,
                         const std::string&, int code) {
      reports.push_back({f, x, code});
    };
  }
  bool Reported(int code, const std::string& ext = "") const {
    return std::any_of(reports.begin(), reports.end(), [&](const Report& r) {
      return r.code == code && (ext.empty() || r.extendedMsg == ext);
    });
  }
  TZip zip;
  std::vector<Report> reports;
};

TEST(ZipWriter, NewArchiveHoldsTheFolderInListingOrderDeflatedExactlyLikeZlib) {
  EngineScratchFolder dir;
  std::string src = dir / "theme";
  ASSERT_TRUE(OsCreateFolder(src));
  WriteBytes(src + "\\theme.ini", TextBytes(700, 1));
  WriteBytes(src + "\\Bitmap100.bmp", TextBytes(90000, 2));
  WriteBytes(src + "\\uifile.txt", TextBytes(300000, 3));
  ASSERT_TRUE(OsCreateFolder(src + "\\sub"));
  WriteBytes(src + "\\sub\\deep.txt", TextBytes(5000, 4));

  RecordedZip z;
  z.zip.SetArchiveFile(dir / "out.kvl");
  z.zip.FileSpec = {src + "\\*"};
  EXPECT_EQ(z.zip.Compress(), 4);
  EXPECT_TRUE(z.reports.empty());

  ParsedZip zip = ParseZip(ReadBytes(dir / "out.kvl"));
  std::vector<std::string> expected;
  for (const std::string& n : ListFolder(src))
    expected.push_back(n == "sub" ? "sub/deep.txt" : n);  // subfolders walked in place
  std::vector<std::string> names;
  for (const ParsedMember& m : zip.members) names.push_back(m.centralName);
  EXPECT_EQ(names, expected);

  for (const ParsedMember& m : zip.members) {
    SCOPED_TRACE(m.centralName);
    Bytes original =
        ReadBytes(src + "\\" + (m.centralName == "sub/deep.txt" ? "sub\\deep.txt" : m.centralName));
    EXPECT_EQ(m.central.method, 8);
    EXPECT_EQ(m.central.flags, 0);
    EXPECT_EQ(m.data, RawDeflate(original, 6));
    EXPECT_EQ(MemberContent(m), original);
    EXPECT_EQ(m.central.versionMadeBy, 20);
    EXPECT_EQ(m.central.versionNeeded, 20);
    EXPECT_EQ(m.local.versionNeeded, 20);
    EXPECT_EQ(m.central.internalAttributes, 1);
    EXPECT_EQ(m.central.externalAttributes, OsGetAttributes(src + "\\" + m.localName));
    EXPECT_TRUE(m.extra.empty());
    EXPECT_TRUE(m.comment.empty());
    // The patched local header says what the central one says.
    EXPECT_EQ(m.localName, m.centralName);
    EXPECT_EQ(m.local.method, m.central.method);
    EXPECT_EQ(m.local.crc32, m.central.crc32);
    EXPECT_EQ(m.local.compressedSize, m.central.compressedSize);
    EXPECT_EQ(m.local.uncompressedSize, m.central.uncompressedSize);
    EXPECT_EQ(m.local.DosDateTime(), m.central.DosDateTime());
    std::uint32_t fileTime = 0;
    ASSERT_TRUE(OsGetFileDosDateTime(src + "\\" + m.localName, fileTime));
    EXPECT_EQ(m.central.DosDateTime(), fileTime);
  }
  // Nothing is left of the writer's temporary file.
  std::vector<std::string> left = ListFolder(dir.Path());
  EXPECT_EQ(std::set<std::string>(left.begin(), left.end()),
            (std::set<std::string>{"theme", "out.kvl"}));
}

TEST(ZipWriter, ChoosesStoreOrDeflatePerFile) {
  EngineScratchFolder dir;
  std::string src = dir / "src";
  ASSERT_TRUE(OsCreateFolder(src));
  WriteBytes(src + "\\inner.zip", TextBytes(5000, 1));
  WriteBytes(src + "\\INNER2.ZIP", TextBytes(5000, 2));
  WriteBytes(src + "\\random100.bin", RandomBytes(100, 3));
  WriteBytes(src + "\\random256.bin", RandomBytes(256, 4));
  WriteBytes(src + "\\random257.bin", RandomBytes(257, 5));
  WriteBytes(src + "\\random300.bin", RandomBytes(300, 6));
  WriteBytes(src + "\\text100.txt", TextBytes(100, 7));
  WriteBytes(src + "\\empty.txt", {});

  TZip zip;
  zip.SetArchiveFile(dir / "out.zip");
  zip.FileSpec = {src + "\\*"};
  ASSERT_EQ(zip.Compress(), 8);
  ParsedZip z = ParseZip(ReadBytes(dir / "out.zip"));
  auto method = [&](const std::string& n) {
    const ParsedMember* m = z.Find(n);
    EXPECT_NE(m, nullptr) << n;
    if (m) MemberContent(*m);  // size and CRC agree whatever the method
    return m ? int(m->central.method) : -1;
  };
  EXPECT_EQ(method("inner.zip"), 0);
  EXPECT_EQ(method("INNER2.ZIP"), 0);
  EXPECT_EQ(method("random100.bin"), 0);  // deflate would have made it longer
  EXPECT_EQ(method("random256.bin"), 0);
  EXPECT_EQ(method("random257.bin"), 8);  // from 257 bytes on deflate is kept regardless
  EXPECT_EQ(method("random300.bin"), 8);
  EXPECT_GT(z.Find("random300.bin")->central.compressedSize, 300u);
  EXPECT_EQ(method("text100.txt"), 8);
  const ParsedMember* empty = z.Find("empty.txt");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->central.method, 0);
  EXPECT_EQ(empty->central.crc32, 0u);
  EXPECT_EQ(empty->central.compressedSize, 0u);
  EXPECT_EQ(empty->central.uncompressedSize, 0u);
  EXPECT_EQ(z.Find("inner.zip")->data, ReadBytes(src + "\\inner.zip"));
}

TEST(ZipWriter, LevelsAndFlagsFollowDeflateType) {
  EngineScratchFolder dir;
  std::string src = dir / "src";
  ASSERT_TRUE(OsCreateFolder(src));
  Bytes text = TextBytes(40000, 9);
  WriteBytes(src + "\\a.txt", text);
  struct {
    TDeflateType type;
    int level;
    int flags;
  } cases[] = {{dtDeflateF, 1, 4}, {dtDeflateN, 6, 0}, {dtDeflateX, 9, 2}};
  for (const auto& c : cases) {
    TZip zip;
    zip.DeflateType = c.type;
    zip.SetArchiveFile(dir / ("l" + std::to_string(c.level) + ".zip"));
    zip.FileSpec = {src + "\\*"};
    ASSERT_EQ(zip.Compress(), 1);
    ParsedZip z = ParseZip(ReadBytes(zip.ArchiveFile()));
    ASSERT_EQ(z.members.size(), 1u);
    EXPECT_EQ(z.members[0].central.flags, c.flags);
    EXPECT_EQ(z.members[0].local.flags, c.flags);
    EXPECT_EQ(z.members[0].data, RawDeflate(text, c.level));
  }
  TZip store;
  store.CompressMethod = cmStore;
  store.SetArchiveFile(dir / "s.zip");
  store.FileSpec = {src + "\\*"};
  ASSERT_EQ(store.Compress(), 1);
  ParsedZip z = ParseZip(ReadBytes(dir / "s.zip"));
  EXPECT_EQ(z.members[0].central.method, 0);
  EXPECT_EQ(z.members[0].central.flags, 0);
  EXPECT_EQ(store.DeflateType, dtDeflateS);
}

// Appends an archive comment, as another tool would have written it.
void AddArchiveComment(const std::string& path, const std::string& comment) {
  Bytes b = ReadBytes(path);
  ASSERT_GE(b.size(), 22u);
  PutLE16(&b[b.size() - 2], std::uint16_t(comment.size()));
  b.insert(b.end(), comment.begin(), comment.end());
  WriteBytes(path, b);
}

TEST(ZipWriter, UpdateKeepsExistingMembersAndAddsOnlyNewFiles) {
  EngineScratchFolder dir;
  std::string src = dir / "src";
  ASSERT_TRUE(OsCreateFolder(src));
  WriteBytes(src + "\\keep.txt", TextBytes(3000, 1));
  WriteBytes(src + "\\same.txt", TextBytes(2000, 2));
  std::string archive = dir / "pack.zip";
  {
    TZip zip;
    zip.SetArchiveFile(archive);
    zip.FileSpec = {src + "\\*"};
    ASSERT_EQ(zip.Compress(), 2);
  }
  AddArchiveComment(archive, "kept comment");
  ParsedZip before = ParseZip(ReadBytes(archive));

  // keep.txt changes on disk: the member in the archive must not.
  WriteBytes(src + "\\keep.txt", TextBytes(4500, 3));
  WriteBytes(src + "\\new.bmp", TextBytes(10000, 4));
  RecordedZip z;
  z.zip.SetArchiveFile(archive);
  z.zip.FileSpec = {src + "\\*"};
  EXPECT_EQ(z.zip.Compress(), 1);
  EXPECT_TRUE(z.Reported(zipmsg::kRequiredEventNotAssigned, "OnReplaceFile"));
  EXPECT_TRUE(z.Reported(zipmsg::kRequiredEventNotAssigned, "OnRenameDupeFile"));

  ParsedZip after = ParseZip(ReadBytes(archive));
  ASSERT_EQ(after.members.size(), 3u);
  EXPECT_EQ(after.comment, "kept comment");
  for (const char* name : {"keep.txt", "same.txt"}) {
    const ParsedMember* a = after.Find(name);
    const ParsedMember* b = before.Find(name);
    ASSERT_TRUE(a && b) << name;
    EXPECT_EQ(a->data, b->data) << name;
    EXPECT_EQ(a->central.DosDateTime(), b->central.DosDateTime());
    EXPECT_EQ(a->central.crc32, b->central.crc32);
  }
  EXPECT_EQ(MemberContent(*after.Find("new.bmp")), ReadBytes(src + "\\new.bmp"));
  EXPECT_EQ(after.members.back().centralName, "new.bmp");
}

TEST(ZipWriter, ArchiveIsNotRewrittenWhenEveryNameExists) {
  EngineScratchFolder dir;
  std::string src = dir / "src";
  ASSERT_TRUE(OsCreateFolder(src));
  WriteBytes(src + "\\a.txt", TextBytes(3000, 1));
  std::string archive = dir / "pack.zip";
  TZip zip;
  zip.SetArchiveFile(archive);
  zip.FileSpec = {src + "\\*"};
  ASSERT_EQ(zip.Compress(), 1);
  // A date no rewrite would keep.
  {
    OsFile f;
    ASSERT_TRUE(f.Open(archive, OsAccess::ReadWrite, OsShare::DenyNone));
    ASSERT_TRUE(f.SetDosDateTime(0x2B390000u));  // 2001-09-25
  }
  Bytes bytes = ReadBytes(archive);
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_EQ(ReadBytes(archive), bytes);
  std::uint32_t dt = 0;
  ASSERT_TRUE(OsGetFileDosDateTime(archive, dt));
  EXPECT_EQ(dt, 0x2B390000u);
}

TEST(ZipWriter, NothingFoundOrNowhereToWriteLeavesNoArchive) {
  EngineScratchFolder dir;
  ASSERT_TRUE(OsCreateFolder(dir / "empty"));
  const std::vector<std::string> specs[] = {{dir / "missing\\*"}, {dir / "empty\\*"}, {}};
  for (const auto& fileSpec : specs) {
    RecordedZip z;
    z.zip.SetArchiveFile(dir / "out.zip");
    z.zip.FileSpec = fileSpec;
    EXPECT_EQ(z.zip.Compress(), 0);
    EXPECT_TRUE(z.Reported(zipmsg::kNothingToDo));
    EXPECT_FALSE(Exists(dir / "out.zip"));
  }
  WriteText(dir / "a.txt", "a");
  RecordedZip z;
  z.zip.SetArchiveFile(dir / "nofolder\\out.zip");
  z.zip.FileSpec = {dir / "*"};
  EXPECT_EQ(z.zip.Compress(), 0);
  ASSERT_EQ(z.reports.size(), 1u);
  EXPECT_EQ(z.reports[0].code, zipmsg::kInvalidDirectory);
  RecordedZip unnamed;
  unnamed.zip.FileSpec = {dir / "*"};
  EXPECT_EQ(unnamed.zip.Compress(), 0);
  EXPECT_TRUE(unnamed.Reported(zipmsg::kInvalidDirectory));
}

TEST(ZipWriter, ReadOnlyOrUnreadableExistingArchiveIsLeftAlone) {
  EngineScratchFolder dir;
  WriteText(dir / "a.txt", "some text to pack");
  std::string archive = dir / "old.zip";
  const Bytes notZip = TextBytes(5000, 5);
  WriteBytes(archive, notZip);
  RecordedZip z;
  z.zip.SetArchiveFile(archive);
  z.zip.FileSpec = {dir / "*.txt"};
  EXPECT_EQ(z.zip.Compress(), 0);
  EXPECT_TRUE(z.Reported(zipmsg::kBadFileHeader));
  EXPECT_EQ(ReadBytes(archive), notZip);

  ASSERT_TRUE(OsSetAttributes(archive, fattr::kReadOnly));
  RecordedZip ro;
  ro.zip.SetArchiveFile(archive);
  ro.zip.FileSpec = {dir / "*.txt"};
  EXPECT_EQ(ro.zip.Compress(), 0);
  EXPECT_TRUE(ro.Reported(zipmsg::kRequiredEventNotAssigned, "OnNonWriteableArchive"));
  OsSetAttributes(archive, fattr::kArchive);
  EXPECT_EQ(ReadBytes(archive), notZip);
}

TEST(ZipWriter, ArchiveFileAndDefaultExt) {
  TZip zip;
  EXPECT_EQ(zip.DefaultExt(), ".zip");
  zip.SetArchiveFile("C:/work/pack");
  EXPECT_EQ(zip.ArchiveFile(), "C:\\work\\pack.zip");
  zip.SetArchiveFile("C:\\work.d\\pack");
  EXPECT_EQ(zip.ArchiveFile(), "C:\\work.d\\pack.zip");
  zip.SetArchiveFile("C:\\work\\pack.kvl");
  EXPECT_EQ(zip.ArchiveFile(), "C:\\work\\pack.kvl");

  zip.SetArchiveFile("C:\\work\\pack.ZIP");
  zip.SetDefaultExt("KVLX");  // cut to 4 characters with the dot, lower-cased
  EXPECT_EQ(zip.DefaultExt(), ".kvl");
  EXPECT_EQ(zip.ArchiveFile(), "C:\\work\\pack.kvl");
  zip.SetDefaultExt(".");
  EXPECT_EQ(zip.DefaultExt(), ".ZIP");
  EXPECT_EQ(zip.ArchiveFile(), "C:\\work\\pack.ZIP");
  zip.SetArchiveFile("C:\\work\\pack.txt");
  zip.SetDefaultExt("");
  EXPECT_EQ(zip.ArchiveFile(), "C:\\work\\pack.txt");
  zip.SetArchiveFile("C:\\work\\pack");
  EXPECT_EQ(zip.ArchiveFile(), "C:\\work\\pack.ZIP");
}

TEST(ZipWriter, InitialProperties) {
  TZip zip;
  EXPECT_EQ(zip.ArchiveFile(), "");
  EXPECT_TRUE(zip.FileSpec.empty());
  EXPECT_TRUE(zip.RecurseDirs);
  EXPECT_EQ(zip.Attributes,
            (TZipAttrs{fsZeroAttr, fsReadOnly, fsArchive, fsCompressed, fsEncrypted}));
  EXPECT_TRUE(zip.AttributesEx.Empty());
  EXPECT_EQ(zip.ArcType(), atZip);
  EXPECT_EQ(zip.CompressMethod, cmDeflate);
  EXPECT_EQ(zip.DeflateType, dtDeflateN);
  EXPECT_EQ(zip.Switch, swAdd);
  const std::vector<std::string> types = {".ACE", ".ARC", ".ARJ", ".BH",  ".CAB", ".ENC",
                                          ".GZ",  ".HA",  ".JAR", ".LHA", ".LZH", ".PAK",
                                          ".PK3", ".PK_", ".RAR", ".TAR", ".TGZ", ".UUE",
                                          ".UU",  ".WAR", ".XXE", ".Z",   ".ZIP", ".ZOO"};
  EXPECT_EQ(zip.StoreFilesOfType, types);
}

TEST(ZipWriter, AttributeTest) {
  TZipAttrs take{fsZeroAttr, fsReadOnly, fsArchive, fsCompressed, fsEncrypted};
  EXPECT_TRUE(AttributesPass(take, {}, 0x20));
  EXPECT_TRUE(AttributesPass(take, {}, 0x00));
  EXPECT_TRUE(AttributesPass(take, {}, 0x80));
  EXPECT_TRUE(AttributesPass(take, {}, 0x01));
  EXPECT_TRUE(AttributesPass(take, {}, 0x22));   // hidden but archive
  EXPECT_FALSE(AttributesPass(take, {}, 0x02));  // hidden only
  EXPECT_FALSE(AttributesPass(take, {}, 0x04));  // system only
  EXPECT_FALSE(AttributesPass(take, {}, 0x82));
  EXPECT_TRUE(AttributesPass(take, {}, 0x2002));  // not content indexed: always
  EXPECT_TRUE(AttributesPass(take, {}, 0x4002));
  EXPECT_FALSE(AttributesPass(take, {fsHidden}, 0x22));
  EXPECT_TRUE(AttributesPass({fsHidden}, {}, 0x02));
}

TEST(ZipWriter, ScanSpecsExclusionsAndNameCollisions) {
  EngineScratchFolder dir;
  for (const char* f : {"a", "b"}) {
    ASSERT_TRUE(OsCreateFolder(dir / f));
    WriteText(dir / (std::string(f) + "\\same.txt"), std::string("from ") + f);
    WriteText(dir / (std::string(f) + "\\" + f + ".ini"), "x");
  }
  ASSERT_TRUE(OsCreateFolder(dir / "a\\skip"));
  WriteText(dir / "a\\skip\\deep.txt", "deep");
  RecordedZip recorded;
  TZip& zip = recorded.zip;
  zip.SetArchiveFile(dir / "out.zip");
  zip.FileSpec = {dir / "a\\*.txt", dir / "b\\*", dir / "a\\*.ini"};
  zip.ExcludeSpec = {"b.ini"};
  zip.RecurseDirs = false;
  ASSERT_EQ(zip.Compress(), 2);
  // The second file of one name is said to be left out, by its path.
  ASSERT_EQ(recorded.reports.size(), 1u);
  EXPECT_EQ(recorded.reports[0].code, zipmsg::kNotScanned);
  EXPECT_EQ(recorded.reports[0].fileName, dir / "b\\same.txt");
  ParsedZip z = ParseZip(ReadBytes(dir / "out.zip"));
  std::set<std::string> names;
  for (const auto& m : z.members) names.insert(m.centralName);
  EXPECT_EQ(names, (std::set<std::string>{"same.txt", "a.ini"}));
  ASSERT_NE(z.Find("same.txt"), nullptr);
  Bytes first = MemberContent(*z.Find("same.txt"));
  EXPECT_EQ(std::string(first.begin(), first.end()), "from a");  // the first walk wins
}

// Name order walks each folder by the bytes of its names (capitals first, subfolders in
// place), whatever order the files were made in and the system lists them.
TEST(ZipWriter, NameOrderPacksEachFolderByTheBytesOfItsNames) {
  EngineScratchFolder dir;
  std::string src = dir / "src";
  ASSERT_TRUE(OsCreateFolder(src));
  ASSERT_TRUE(OsCreateFolder(src + "\\sub"));
  for (const char* f : {"b.txt", "sub\\z.txt", "a.txt", "C.txt", "sub\\y.txt", "a.b"})
    WriteText(src + "\\" + f, std::string("text of ") + f);
  RecordedZip z;
  z.zip.SetArchiveFile(dir / "out.zip");
  z.zip.FileSpec = {src + "\\*"};
  z.zip.ScanInNameOrder = true;
  ASSERT_EQ(z.zip.Compress(), 6);
  EXPECT_TRUE(z.reports.empty());
  std::vector<std::string> names;
  for (const ParsedMember& m : ParseZip(ReadBytes(dir / "out.zip")).members)
    names.push_back(m.centralName);
  EXPECT_EQ(names,
            (std::vector<std::string>{"C.txt", "a.b", "a.txt", "b.txt", "sub/y.txt", "sub/z.txt"}));
}

// The engine's own reader gets back every byte, also for names outside ASCII (stored in the
// OEM code page and turned back on reading).
TEST(ZipWriter, OwnReaderExtractsEveryFileIdentically) {
  EngineScratchFolder dir;
  std::string src = dir / "src";
  ASSERT_TRUE(OsCreateFolder(src));
  ASSERT_TRUE(OsCreateFolder(src + "\\sub"));
  const std::string cyr = "\xC0\xE1\xE2.txt";  // Cyrillic letters in code page 1251
  const std::vector<std::pair<std::string, Bytes>> files = {{"theme.ini", TextBytes(700, 1)},
                                                            {"big.bmp", TextBytes(300000, 2)},
                                                            {"noise.bin", RandomBytes(70000, 3)},
                                                            {"tiny.txt", TextBytes(10, 4)},
                                                            {"empty.txt", {}},
                                                            {"sub\\a.zip", RandomBytes(3000, 5)},
                                                            {"sub\\" + cyr, TextBytes(2000, 6)}};
  for (const auto& f : files) WriteBytes(src + "\\" + f.first, f.second);
  TZip zip;
  zip.SetArchiveFile(dir / "out.zip");
  zip.FileSpec = {src + "\\*"};
  ASSERT_EQ(zip.Compress(), int(files.size()));
  ParsedZip z = ParseZip(ReadBytes(dir / "out.zip"));
  EXPECT_NE(z.Find("sub/\x80\xA1\xA2.txt"), nullptr) << "name not in the OEM code page";

  TUnZip unzip;
  int problems = 0;
  unzip.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                      int) { ++problems; };
  unzip.FileSpec = {"*"};
  unzip.RecurseDirs = true;
  unzip.UseStoredDirs = true;
  unzip.SetArchiveFile(dir / "out.zip");
  unzip.SetExtractDir(dir / "x");
  EXPECT_EQ(unzip.Extract(), int(files.size()));
  EXPECT_EQ(problems, 0);
  for (const auto& f : files) EXPECT_EQ(ReadBytes(dir / ("x\\" + f.first)), f.second) << f.first;
}

}  // namespace

// Fault: a file whose name another file of the run had (in any case) was dropped without a
// word, and so was a file of an update. Every file is a member of its own, or is reported;
// an update keeps its members by name unless its events decide otherwise.
TEST(ZipWriter, EveryFileIsAMemberOrReported) {
  enum Events { kNone, kReplace, kRename };
  struct Case {
    const char* title;
    std::vector<std::pair<std::string, std::string>> old;    // the archive's members first
    std::vector<std::pair<std::string, std::string>> files;  // below a\ or b\, both scanned
    Events events;
    std::map<std::string, std::string> members;  // what the archive holds after
    std::vector<int> reports;
    bool caseSensitiveOnly;  // needs a file system that tells names apart by case
    bool emptyFolders = false;  // StoreEmptySubDirs; a name ending in "\\" is a folder made
  };
  const bool caseSensitive = OsPathKey(std::string("A")) != OsPathKey(std::string("a"));
  // A letter the ANSI code page has and the OEM one lacks comes back only from UTF-8 (the
  // native build takes its names as UTF-8 text, Windows as text in the ANSI code page).
#ifdef _WIN32
  const std::string lacking = "\x88.txt", otherLacking = "\x82.txt";  // in 1251: "€", "‚"
#else
  const std::string lacking = "\xC3\xA9.txt", otherLacking = "\xC3\xAB.txt";  // "é", "ë"
#endif
  const std::vector<Case> cases = {
      {"names apart by case",
       {},
       {{"a\\README.TXT", "1"}, {"a\\Readme.txt", "22"}, {"a\\readme.txt", "333"}},
       kNone,
       {{"README.TXT", "1"}, {"Readme.txt", "22"}, {"readme.txt", "333"}},
       {},
       true},
      {"one name from two folders",
       {},
       {{"a\\same.txt", "from a"}, {"b\\same.txt", "from b"}},
       kNone,
       {{"same.txt", "from a"}},
       {zipmsg::kNotScanned},
       false},
      {"two folders, one name in two cases",
       {},
       {{"a\\x.txt", "lower"}, {"b\\X.TXT", "upper"}},
       kNone,
       caseSensitive ? std::map<std::string, std::string>{{"x.txt", "lower"}, {"X.TXT", "upper"}}
                     : std::map<std::string, std::string>{{"x.txt", "lower"}},
       caseSensitive ? std::vector<int>{} : std::vector<int>{zipmsg::kNotScanned},
       false},
      {"update, no one to decide",
       {{"keep.txt", "old"}},
       {{"a\\keep.txt", "changed"}, {"a\\add.txt", "add"}},
       kNone,
       {{"keep.txt", "old"}, {"add.txt", "add"}},
       {zipmsg::kRequiredEventNotAssigned, zipmsg::kRequiredEventNotAssigned},
       false},
      {"update, the file replaces the member",
       {{"keep.txt", "old"}},
       {{"a\\keep.txt", "changed"}, {"a\\add.txt", "add"}},
       kReplace,
       {{"keep.txt", "changed"}, {"add.txt", "add"}},
       {},
       false},
      {"update, the file renamed",
       {{"keep.txt", "old"}},
       {{"a\\keep.txt", "changed"}},
       kRename,
       {{"keep.txt", "old"}, {"keep.txt.new", "changed"}},
       {},
       false},
      {"update, a member in another case",
       {{"readme.txt", "old"}},
       {{"a\\README.TXT", "other"}, {"a\\add.txt", "add"}},
       kNone,
       {{"readme.txt", "old"}, {"add.txt", "add"}},
       {zipmsg::kRequiredEventNotAssigned, zipmsg::kRequiredEventNotAssigned},
       false},
      {"update, new files apart by case",
       {{"keep.txt", "old"}},
       {{"a\\New.txt", "1"}, {"a\\NEW.TXT", "22"}},
       kNone,
       {{"keep.txt", "old"}, {"New.txt", "1"}, {"NEW.TXT", "22"}},
       {},
       true},
      // Faults: such names were stored through the code pages, "?" for what they lack, so
      // that two files got one name; empty folders were left out without a word.
      {"names the OEM code page lacks",
       {},
       {{"a\\" + lacking, "1"}, {"a\\" + otherLacking, "2"}, {"a\\\xC0.txt", "oem"}},
       kNone,
       {{OsUtf8Path(lacking), "1"}, {OsUtf8Path(otherLacking), "2"}, {"\x80.txt", "oem"}},
       {},
       false},
#ifndef _WIN32
      {"a name neither code page nor UTF-8 holds",
       {},
       {{"a\\\x88.txt", "not UTF-8, not in code page 866"}, {"a\\ok.txt", "ok"}},
       kNone,
       {{"ok.txt", "ok"}},
       {zipmsg::kNotScanned},
       false},
#endif
      {"empty folders",
       {},
       {{"a\\empty\\", ""}, {"a\\d\\e\\", ""}, {"a\\f\\in.txt", "in"}},
       kNone,
       {{"empty/", ""}, {"d/e/", ""}, {"f/in.txt", "in"}},
       {},
       false,
       true},
      {"empty folders, not asked for",
       {},
       {{"a\\empty\\", ""}, {"a\\f\\in.txt", "in"}},
       kNone,
       {{"f/in.txt", "in"}},
       {},
       false},
      {"update, a folder the archive has",
       {{"keep.txt", "old"}, {"empty\\", ""}},
       {{"a\\empty\\", ""}, {"a\\add.txt", "add"}},
       kNone,
       {{"keep.txt", "old"}, {"empty/", ""}, {"add.txt", "add"}},
       {},
       false,
       true},
  };
  for (const Case& c : cases) {
    if (c.caseSensitiveOnly && !caseSensitive) continue;
    SCOPED_TRACE(c.title);
    EngineScratchFolder dir;
    const std::string archive = dir / "pack.zip";
    if (!c.old.empty()) {
      ASSERT_TRUE(OsCreateFolder(dir / "old"));
      for (const auto& [name, content] : c.old) {
        ASSERT_TRUE(OsForceFolders(dir / ("old\\" + NameFolderPart(name))));
        if (name.back() != '\\') WriteText(dir / ("old\\" + name), content);
      }
      TZip zip;
      zip.SetArchiveFile(archive);
      zip.FileSpec = {dir / "old\\*"};
      zip.StoreEmptySubDirs = c.emptyFolders;
      ASSERT_EQ(zip.Compress(), int(c.old.size()));
    }
    for (const char* root : {"a", "b"}) ASSERT_TRUE(OsCreateFolder(dir / root));
    for (const auto& [name, content] : c.files) {
      ASSERT_TRUE(OsForceFolders(dir / NameFolderPart(name)));
      if (name.back() != '\\') WriteText(dir / name, content);
    }
    RecordedZip z;
    z.zip.StoreEmptySubDirs = c.emptyFolders;
    if (c.events != kNone) {
      z.zip.OnReplaceFile = [&c](TCompBase&, const std::string&, bool& replace) {
        replace = c.events == kReplace;
      };
      z.zip.OnRenameDupeFile = [&c](TCompBase&, const std::string& name, std::string& newName) {
        if (c.events == kRename) newName = name + ".new";
      };
    }
    z.zip.SetArchiveFile(archive);
    z.zip.FileSpec = {dir / "a\\*", dir / "b\\*"};
    z.zip.Compress();
    std::vector<int> codes;
    for (const Report& r : z.reports) codes.push_back(r.code);
    EXPECT_EQ(codes, c.reports);
    std::map<std::string, std::string> members;
    for (const ParsedMember& m : ParseZip(ReadBytes(archive)).members) {
      Bytes content = MemberContent(m);
      members[m.centralName] = std::string(content.begin(), content.end());
    }
    EXPECT_EQ(members, c.members);
  }
}

// Fault: a killed pack left its whole temporary archive in the system's temporary folder,
// where no one looks, readable by its owner alone. It is written beside the archive under one
// name, which the next run takes over, and it gets the rights any new file gets.
TEST(ZipWriter, TheTemporaryArchiveStandsBesideTheArchiveUnderOneName) {
  EngineScratchFolder dir;
  const std::string src = dir / "src";
  ASSERT_TRUE(OsCreateFolder(src));
  WriteBytes(src + "\\big.bin", RandomBytes(300000, 7));
  const std::string archive = dir / "pack.zip";
  // What a killed run left, bigger than what this run writes.
  WriteBytes(archive + ".~kv", RandomBytes(500000, 8));
#ifndef _WIN32
  const mode_t mask = umask(027);
#endif
  RecordedZip z;
  z.zip.SetArchiveFile(archive);
  z.zip.FileSpec = {src + "\\*"};
  EXPECT_EQ(z.zip.TemporaryFile(), archive + ".~kv");
  bool seen = false;
  z.zip.ProcessMessages = [&] { seen = seen || Exists(archive + ".~kv"); };
  EXPECT_EQ(z.zip.Compress(), 1);
#ifndef _WIN32
  umask(mask);
  struct stat st {};
  ASSERT_EQ(stat(HostPath(archive).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
  EXPECT_TRUE(z.reports.empty());
  EXPECT_TRUE(seen);
  EXPECT_EQ(MemberContent(ParseZip(ReadBytes(archive)).members.at(0)),
            ReadBytes(src + "\\big.bin"));
  std::vector<std::string> left = ListFolder(dir.Path());
  EXPECT_EQ(std::set<std::string>(left.begin(), left.end()),
            (std::set<std::string>{"src", "pack.zip"}));
  // A set TempDir is where the caller wants it.
  z.zip.TempDir = src;
  EXPECT_EQ(z.zip.TemporaryFile(), src + "\\pack.zip.~kv");
}
