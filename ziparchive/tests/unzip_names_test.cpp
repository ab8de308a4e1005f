// Member names as they reach the file system: UTF-8 names, names Windows would turn into
// another file, folder entries. The Windows build runs these through its own system layer.
#include "unzip_fixture.h"

namespace {
// "Тема.bmp": Cyrillic in UTF-8, and one character no single-byte code page holds.
const std::string kThemeUtf8 = "\xD0\xA2\xD0\xB5\xD0\xBC\xD0\xB0.bmp";
const std::string kHanUtf8 = "\xE4\xB8\xAD.txt";

TestMember Utf8Member(const std::string& name, const std::string& data) {
  TestMember m{name, data};
  m.flags = zipflag::kUtf8Name;
  return m;
}

bool ExistsUtf8(const std::string& folder, const std::string& utf8Name) {
  return OsFileExists(OsPath::FromUtf8(OsUtf8Path(folder) + utf8Name));
}
}  // namespace

// Fault: the UTF-8 flag was ignored and such names came out as garbage; plain names keep the
// code-page rule.
TEST_F(UnZipTest, NamesFlaggedUtf8ReachTheFileSystemWhole) {
  TestMember oem{"\x80\xA1\xA2.txt", "oem"};  // "Абв" in code page 866, not flagged
  Use(BuildZip({Utf8Member(kThemeUtf8, "theme"), Utf8Member("Dir/" + kHanUtf8, "han"), oem,
                Utf8Member("plain.txt", "ascii, flagged")})
          .bytes);
  zip_.FileSpec = {"*"};
  std::vector<std::string> ended;
  zip_.OnEnd = [&](TUnBase&, const std::string& name, bool) { ended.push_back(name); };
  EXPECT_EQ(zip_.Extract(), 4);
  EXPECT_TRUE(codes_.empty());
  EXPECT_TRUE(ExistsUtf8(out_, kThemeUtf8));
  EXPECT_TRUE(ExistsUtf8(out_, "Dir\\" + kHanUtf8));
  EXPECT_EQ(ReadBytes(OsUtf8Path(out_) + "plain.txt"), "ascii, flagged");
  EXPECT_EQ(Content("\xC0\xE1\xE2.txt"), "oem");  // 1251, as before
  // Events see the name in the engine's strings (the ANSI code page): "?" where it has no
  // such character, never a look-alike.
  ASSERT_EQ(ended.size(), 4u);
  EXPECT_EQ(ended[0], OsUtf8ToAnsi(kThemeUtf8));
  EXPECT_EQ(ended[1].find('.'), ended[1].size() - 4);
#ifndef _WIN32
  EXPECT_EQ(ended[0], "\xD2\xE5\xEC\xE0.bmp");
  EXPECT_EQ(ended[1], "Dir\\?.txt");
#endif

  // A flagged name that is not UTF-8 takes the code-page rule.
  testsupport::RemoveTree(HostPath(out_));
  OsForceFolders(out_);
  Use(BuildZip({Utf8Member("\x80\xA1\xA2.txt", "bad utf-8")}).bytes);
  EXPECT_EQ(zip_.Extract(), 1);
  EXPECT_EQ(Content("\xC0\xE1\xE2.txt"), "bad utf-8");

  // "╬1" and "┼1" (code page 866) have one ANSI look-alike: the second is reported, never
  // written over the first. With Utf8Paths each reaches the file system as stored, and the
  // listing says so.
  const std::vector<TestMember> boxes = {{"\xCE" "1.txt", "double"}, {"\xC5" "1.txt", "single"}};
  testsupport::RemoveTree(HostPath(out_));
  OsForceFolders(out_);
  codes_.clear();
  Use(BuildZip(boxes).bytes);
  EXPECT_EQ(zip_.Extract(), 1);
  EXPECT_EQ(Count(zipmsg::kErrorWritingFile), 1);
  EXPECT_TRUE(
      Said(zipmsg::kErrorWritingFile, "an earlier member has that name; the first one is kept"));
  ASSERT_EQ(Listing(out_).size(), 1u);
  EXPECT_EQ(ReadBytes(out_ + Listing(out_)[0]), "double");

  testsupport::RemoveTree(HostPath(out_));
  OsForceFolders(out_);
  codes_.clear();
  zip_.Utf8Paths = true;
  Use(BuildZip(boxes).bytes);
  const std::vector<TUnZip::ListedMember> listed = zip_.List();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].utf8, "\xE2\x95\xAC" "1.txt");
  EXPECT_EQ(listed[1].utf8, "\xE2\x94\xBC" "1.txt");
  EXPECT_EQ(zip_.Extract(), 2);
  EXPECT_TRUE(codes_.empty());
  EXPECT_TRUE(ExistsUtf8(out_, "\xE2\x95\xAC" "1.txt"));
  EXPECT_TRUE(ExistsUtf8(out_, "\xE2\x94\xBC" "1.txt"));
}

// Fault: with Utf8Paths the system's reason for a failed write was said in the ANSI code page
// after a UTF-8 path, so on a Russian system the report was neither UTF-8 nor ANSI: the
// one-file setup's message showed nonsense for the reason. A file where a stored folder goes,
// a folder where a file goes, in a folder whose name is Cyrillic.
TEST_F(UnZipTest, WithUtf8PathsTheSystemsReasonIsUtf8LikeThePathItIsSaidBeside) {
  const std::string folder = OsUtf8Path(root_) + "\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0";  // "Папка"
  ASSERT_TRUE(OsForceFolders(OsPath::FromUtf8(folder + "\\taken.txt")));
  OsFile blocker;
  ASSERT_TRUE(blocker.Create(OsPath::FromUtf8(folder + "\\blocker"), OsShare::DenyNone));
  blocker.Close();
  zip_.Utf8Paths = true;
  zip_.FileSpec = {"*"};
  zip_.CreateStoredDirs = true;
  WriteBytes(root_ + "\\a.zip", BuildZip({{"blocker/x.txt", "x"}, {"taken.txt", "y"}}).bytes);
  zip_.SetArchiveFile(OsUtf8Path(root_) + "\\a.zip");
  zip_.SetExtractDir(folder);
  EXPECT_EQ(zip_.Extract(), 0);
  ASSERT_GE(codes_.size(), 2u);
  std::string shownFolder = folder;  // as the engine writes paths
  std::replace(shownFolder.begin(), shownFolder.end(), '/', '\\');
  for (const std::string& said : extended_) {
    EXPECT_TRUE(IsValidUtf8(said)) << said;
    // The path, then the system's reason.
    const size_t cut = said.rfind(": ");
    ASSERT_NE(cut, std::string::npos) << said;
    EXPECT_GT(said.size(), cut + 2) << said;
    EXPECT_EQ(said.rfind(shownFolder, 0), 0u) << said;
  }
}

// Fault: device names and components ending in a dot or space reached the Windows file
// system (a write to a device, or to another file than the one named), and every refusal was
// said to lead outside the extraction folder. Each says what is wrong with the name. Faults:
// test and list passed every such name; a name 16,000 folders deep crashed the Windows builds
// (a recursion per folder) and took half a gigabyte natively; an empty name got "Error
// writing to file" with no reason; "LPT№.txt" was a device; a refused UTF-8 name was shown in
// two encodings.
TEST_F(UnZipTest, NamesWindowsWouldTurnIntoAnotherFileAreRefused) {
  std::string deep, deeper, deepest;
  for (int i = 0; i < 64; ++i) deep += "d/";
  deeper = deep + "d/f.txt";
  for (int i = 0; i < 16000; ++i) deepest += "a/";
  const std::string hello = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.";  // "Привет."
  const std::vector<std::pair<std::string, std::string>> hostile = {
      {"CON", "\"CON\" names a device"},
      {"nul.txt", "\"nul.txt\" names a device"},
      {"COM1", "names a device"},
      {"LPT1.bmp", "names a device"},
      {"aux .ini", "names a device"},
      {"Dir./a.txt", "\"Dir.\" ends in a dot or a space"},
      {"dir /b.txt", "\"dir \" ends in a dot or a space"},
      {"trail.", "ends in a dot or a space"},
      {"space ", "ends in a dot or a space"},
      {"a/prn/c.txt", "\"prn\" names a device"},
      {"CONIN$", "names a device"},
      {"x/.../y.txt", "\"...\" ends in a dot"},
      {"COM\xC2\xB9", "names a device"},
      {std::string("nul\0byte.txt", 12), "the name holds a NUL byte"},
      {"../up.txt", "\"..\" leads outside the extraction folder"},
      {"c:/drive.txt", "\":\" names a drive or a stream"},
      {"/root.txt", "the name starts at the root"},
      {"", "the name is empty"},
      {deeper, "more than 64 folders deep"},
      {deepest + "f.txt", "more than 64 folders deep"},
      // Said in the engine's strings, as the name is (FileName).
      {hello, "\"" + OsUtf8ToAnsi(hello) + "\" ends in a dot"}};
  std::vector<TestMember> members;
  for (const auto& [n, why] : hostile)
    members.push_back(n == "COM\xC2\xB9" || n == hello ? Utf8Member(n, "x") : TestMember{n, "x"});
  members.push_back({"fine.txt", "fine"});
  members.push_back({"console.d/ok.txt", "a dot inside is fine"});
  members.push_back({"LPT\xFC.txt", "a name, not a device"});  // "LPT№.txt" in code page 866
#ifndef _WIN32
  members.push_back({deep + "f.txt", "64 folders deep"});  // (slow to make under Wine)
#endif
  Use(BuildZip(members).bytes);
  zip_.FileSpec = {"*"};
  zip_.CreateStoredDirs = true;
  // What test and list say is what extraction says.
  std::vector<std::vector<int>> codes;
  std::vector<std::vector<std::string>> said;
  for (int run = 0; run < 3; ++run) {
    codes_.clear();
    extended_.clear();
    files_.clear();
    if (run == 0) zip_.Test();
    if (run == 1) zip_.List();
    if (run == 2) zip_.Extract();
    codes.push_back(codes_);
    said.push_back(extended_);
  }
  EXPECT_EQ(codes[0], codes[2]);
  EXPECT_EQ(codes[1], codes[2]);
  EXPECT_EQ(said[0], said[2]);
  EXPECT_EQ(said[1], said[2]);
  ASSERT_EQ(codes_.size(), hostile.size());
  for (size_t i = 0; i < hostile.size(); ++i) {
    EXPECT_EQ(codes_[i], zipmsg::kUnsafeStoredPath);
    EXPECT_NE(extended_[i].find(hostile[i].second), std::string::npos) << extended_[i];
  }
  // The member's name is given whole, the NUL and what follows it included.
  EXPECT_EQ(files_[13], std::string("nul\0byte.txt", 12));
  EXPECT_EQ(Content("fine.txt"), "fine");
  EXPECT_EQ(Content("console.d\\ok.txt"), "a dot inside is fine");
  EXPECT_EQ(Content("LPT\xB9.txt"), "a name, not a device");
#ifdef _WIN32
  EXPECT_EQ(Listing(out_), (std::vector<std::string>{"LPT\xB9.txt", "console.d", "fine.txt"}));
#else
  std::string deepFolder = deep;
  for (char& c : deepFolder)
    if (c == '/') c = '\\';
  EXPECT_EQ(Content(deepFolder + "f.txt"), "64 folders deep");
  EXPECT_EQ(Listing(out_),
            (std::vector<std::string>{"LPT\xB9.txt", "console.d", "d", "fine.txt"}));
#endif

  // Folders are made one level after the other in one string: a path deeper than the system
  // takes fails, whatever its depth.
  std::string tooDeep = root_ + "\\deep";
  for (int i = 0; i < 16000; ++i) tooDeep += "\\d";
  EXPECT_FALSE(OsForceFolders(tooDeep));

  // Without stored folders only the file part counts.
  codes_.clear();
  testsupport::RemoveTree(HostPath(out_));
  OsForceFolders(out_);
  Use(BuildZip({{"Dir./a.txt", "a"}, {"sub/NUL", "n"}}).bytes);
  zip_.UseStoredDirs = false;
  EXPECT_EQ(zip_.Extract(), 1);
  EXPECT_EQ(Content("a.txt"), "a");
  EXPECT_EQ(Count(zipmsg::kUnsafeStoredPath), 1);
}

// Folder entries: a name ending in "/" is a folder whatever its attributes say (archives of
// Java tools and many others leave 0x10 out); stored folders are made, empty ones too.
TEST_F(UnZipTest, FolderEntriesAreFoldersWithOrWithoutTheAttribute) {
  TestMember javaDir{"Empty/", ""};
  javaDir.method = 0;
  javaDir.attributes = 0;
  TestMember dosDir{"Dos/", ""};
  dosDir.method = 0;
  dosDir.attributes = 0x10;
  Use(BuildZip({javaDir, dosDir, {"Dos/in.txt", "in"}}).bytes);
  zip_.FileSpec = {"*"};
  zip_.CreateStoredDirs = true;
  EXPECT_EQ(zip_.Extract(), 1);
  EXPECT_TRUE(codes_.empty());
  EXPECT_TRUE(OsFolderExists(out_ + "Empty"));
  EXPECT_EQ(Content("Dos\\in.txt"), "in");
  EXPECT_EQ(Listing(out_), (std::vector<std::string>{"Dos", "Empty"}));
}
