// What extraction does to the files in the target folder, and how members under several
// passwords and end records far from the directory are found.
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "ziparchive/records/zip_crypto.h"
#include "unzip_fixture.h"

using namespace ziparchive;

namespace {

uint32_t Crc(const std::string& s) {
  return Crc32Of(s.data(), s.size());
}

// The traditional cipher's encrypting side, to make members under a password.
class Cipher {
 public:
  explicit Cipher(const std::string& password) {
    for (char c : password) Update(uint8_t(c));
  }
  std::string Encrypt(const std::string& plain) {
    std::string out;
    for (char c : plain) {
      uint32_t t = (key2_ | 2) & 0xFFFF;
      out += char(uint8_t(c) ^ uint8_t((t * (t ^ 1)) >> 8));
      Update(uint8_t(c));
    }
    return out;
  }

 private:
  static uint32_t Step(uint32_t crc, uint8_t b) {
    return ~uint32_t(crc32(~crc & 0xFFFFFFFFu, &b, 1));
  }
  void Update(uint8_t b) {
    key0_ = Step(key0_, b);
    key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
    key2_ = Step(key2_, uint8_t(key1_ >> 24));
  }
  uint32_t key0_ = 0x12345678, key1_ = 0x23456789, key2_ = 0x34567890;
};

// One member whose stored bytes are given as they are.
std::string OneMember(const std::string& name, uint16_t method, uint16_t flags, uint32_t crc,
                      const std::string& packed, size_t size) {
  LocalHeader h;
  h.method = method;
  h.flags = flags;
  h.crc32 = crc;
  h.compressedSize = uint32_t(packed.size());
  h.uncompressedSize = uint32_t(size);
  CentralHeader c;
  c.method = method;
  c.flags = flags;
  c.crc32 = crc;
  c.compressedSize = h.compressedSize;
  c.uncompressedSize = h.uncompressedSize;
  c.externalAttributes = 0x20;
  std::string local = LocalRecord(h, name) + packed;
  std::string central = CentralRecord(c, name);
  return local + central + EndRecord(1, uint32_t(central.size()), uint32_t(local.size()));
}

std::string EncryptedStored(const std::string& password, const std::string& data) {
  std::string header = "0123456789A";
  header += char(uint8_t(Crc(data) >> 24));
  return Cipher(password).Encrypt(header + data);
}

// A wrong password whose header check passes on `encrypted` (one in 256 does).
std::string WrongPasswordThatPassesTheCheck(const std::string& encrypted, uint8_t check) {
  for (int n = 0; n < 100000; ++n) {
    std::string candidate = "wrong" + std::to_string(n);
    uint8_t header[12];
    std::copy(encrypted.begin(), encrypted.begin() + 12, header);
    ZipCrypto crypto;
    crypto.Init(candidate);
    if (crypto.CheckHeader(header, check)) return candidate;
  }
  return std::string();
}

}  // namespace

// Fault: a member refused before decoding (an unknown method) emptied the file it was to
// replace, and a damaged member overwrote a good file with its broken data.
TEST_F(UnZipTest, RefusedOrDamagedMembersLeaveTheFileThereAlone) {
  for (const char* name : {"aes.txt", "odd.txt", "bad.txt", "good.txt"})
    WriteBytes(out_ + name, "PRECIOUS");
  TestMember aes{"aes.txt", "secret"};
  aes.method = 99;
  aes.raw = "xxxxxxxxxxxx";
  TestMember odd{"odd.txt", "data"};
  odd.method = 12;
  odd.raw = "BZh9";
  TestMember newOdd{"new-odd.txt", "data"};
  newOdd.method = 7;
  newOdd.raw = "zz";
  TestMember bad{"bad.txt", "broken member"};
  bad.corruptCrc = true;
  TestMember badNew{"bad-new.txt", "broken, nothing there before"};
  badNew.corruptCrc = true;
  Use(BuildZip({aes, odd, newOdd, bad, badNew, {"good.txt", "replaced"}}).bytes);
  zip_.Extract();
  EXPECT_EQ(Count(zipmsg::kUnsupportedMethod), 3);
  EXPECT_EQ(Content("aes.txt"), "PRECIOUS");
  EXPECT_EQ(Content("odd.txt"), "PRECIOUS");
  EXPECT_FALSE(Exists("new-odd.txt"));
  EXPECT_EQ(Content("bad.txt"), "PRECIOUS");
  EXPECT_TRUE(Said(zipmsg::kFileFailsCrc, "the file there is kept"));
  // Where nothing stood, the damaged member's output stays (reported) as it always did.
  EXPECT_EQ(Content("bad-new.txt"), "broken, nothing there before");
  EXPECT_EQ(Count(zipmsg::kFileFailsCrc), 2);
  EXPECT_EQ(Content("good.txt"), "replaced");
  // No temporary file is left behind.
  EXPECT_EQ(Listing(root_ + "\\out"),
            (std::vector<std::string>{"aes.txt", "bad-new.txt", "bad.txt", "good.txt", "odd.txt"}));

  // Fault: a member named like the archive, extracted beside it, replaced the archive.
  codes_.clear();
  extended_.clear();
  const std::string self = BuildZip({{"first.txt", "1"}, {"a.zip", "REPLACED"}, {"last.txt", "2"}}).bytes;
  Use(self);
  zip_.SetExtractDir(root_);
  EXPECT_EQ(zip_.Extract(), 2);
  EXPECT_EQ(ReadBytes(root_ + "\\a.zip"), self);
  EXPECT_TRUE(Said(zipmsg::kErrorWritingFile, "the archive being read has that name"));
  EXPECT_EQ(ReadBytes(root_ + "\\last.txt"), "2");
}

// Fault: a later member of the same name (or one the system takes for the same file)
// silently replaced the file the run had just written.
// Test and list report the same (fault: they passed what extraction then refused), and a
// folder entry and a file of one name are the same fault.
TEST_F(UnZipTest, AMemberNamingAFileThisRunWroteIsReportedAndTheFirstKept) {
  TestMember folder{"d/x/", ""};
  folder.method = 0;
  TestMember folderAfterFile{"d/a.txt/", ""};
  folderAfterFile.method = 0;
  Use(BuildZip({{"d/a.txt", "first"},
                {"d/a.txt", "second"},
                {"d/b.txt", "first b"},
                {"d/./b.txt", "second b"},
                {"d/c.txt", "lower"},
                {"d/C.TXT", "upper"},
                folder,
                {"d/x", "a file where a folder is"},
                folderAfterFile})
          .bytes);
  zip_.FileSpec = {"*"};
  zip_.CreateStoredDirs = true;
  std::vector<std::vector<std::string>> said;  // what t, l and x said, the path cut off
  for (auto run : {&TUnZip::Test, &TUnZip::Extract}) {
    codes_.clear();
    extended_.clear();
    (zip_.*run)();
    said.emplace_back();
    for (const std::string& e : extended_) said.back().push_back(e.substr(e.find(": ")));
  }
  codes_.clear();
  extended_.clear();
  zip_.List();
  EXPECT_EQ(extended_.size(), said[0].size());
  EXPECT_EQ(said[0], said[1]);
  EXPECT_EQ(Content("d\\a.txt"), "first");
  EXPECT_EQ(Content("d\\b.txt"), "first b");
  EXPECT_EQ(Content("d\\c.txt"), "lower");
  EXPECT_TRUE(OsFolderExists(out_ + "d\\x"));
#ifdef _WIN32
  EXPECT_EQ(Count(zipmsg::kErrorWritingFile), 5);
#else
  EXPECT_EQ(Content("d\\C.TXT"), "upper");  // two names here
  EXPECT_EQ(Count(zipmsg::kErrorWritingFile), 4);
#endif
  EXPECT_TRUE(Said(zipmsg::kErrorWritingFile, "an earlier member has that name"));
  EXPECT_TRUE(Said(zipmsg::kErrorWritingFile, "an earlier member is a folder of that name"));
  EXPECT_TRUE(Said(zipmsg::kErrorWritingFile, "an earlier member is a file of that name"));
  // A new run may replace what an earlier one wrote.
  codes_.clear();
  extended_.clear();
  Use(BuildZip({{"d/a.txt", "again"}}).bytes);
  zip_.Extract();
  EXPECT_TRUE(codes_.empty());
  EXPECT_EQ(Content("d\\a.txt"), "again");
}

// Faults: a wrong password that passed the header check hid the right one given after it,
// and an encrypted member too short for its header asked for a password.
TEST_F(UnZipTest, EveryPasswordThatPassesTheCheckIsTriedOnTheData) {
  const std::string data = "the member under a password";
  std::string right = EncryptedStored("right", data);
  std::string wrong = WrongPasswordThatPassesTheCheck(right, uint8_t(Crc(data) >> 24));
  ASSERT_FALSE(wrong.empty());
  Use(OneMember("enc.txt", 0, zipflag::kEncrypted, Crc(data), right, data.size()));
  zip_.Passwords = {"nothing", wrong, "right"};
  EXPECT_EQ(zip_.Test(), 1);
  EXPECT_TRUE(codes_.empty());
  EXPECT_EQ(zip_.Extract(), 1);
  EXPECT_TRUE(codes_.empty());
  EXPECT_EQ(Content("enc.txt"), data);
  // With only the wrong one, the CRC check reports it, and says what is likely.
  zip_.Passwords = {wrong};
  zip_.Test();
  EXPECT_EQ(Count(zipmsg::kFileFailsCrc), 1);
  EXPECT_TRUE(Said(zipmsg::kFileFailsCrc, "wrong password?"));

  codes_.clear();
  extended_.clear();
  Use(OneMember("short.txt", 0, zipflag::kEncrypted, 0, "abc", 3));
  zip_.Passwords = {"abc"};
  EXPECT_EQ(zip_.Extract(), 0);
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "cannot hold the 12-byte encryption header"));
  EXPECT_EQ(Count(zipmsg::kRequiredEventNotAssigned), 0);
  EXPECT_FALSE(Exists("short.txt"));
}

// Fault: without OnGetPassword the one way to get a password was Passwords, and a caller that
// had one to give could only learn the event's name. The event is asked (PasswordAttempts
// times at most), a fitting password serves the members after it, and a member no password
// fits is reported by its own number.
TEST_F(UnZipTest, PasswordsComeFromOnGetPasswordAndNoneFittingIsReported) {
  // Two stored members under the password "right".
  std::string locals, central;
  for (const std::string& name : {std::string("one.txt"), std::string("two.txt")}) {
    const std::string data = "data of " + name, packed = EncryptedStored("right", data);
    LocalHeader h;
    h.flags = zipflag::kEncrypted;
    h.crc32 = Crc(data);
    h.compressedSize = uint32_t(packed.size());
    h.uncompressedSize = uint32_t(data.size());
    CentralHeader c;
    c.flags = h.flags;
    c.crc32 = h.crc32;
    c.compressedSize = h.compressedSize;
    c.uncompressedSize = h.uncompressedSize;
    c.externalAttributes = 0x20;
    c.localHeaderOffset = uint32_t(locals.size());
    locals += LocalRecord(h, name) + packed;
    central += CentralRecord(c, name);
  }
  Use(locals + central + EndRecord(2, uint32_t(central.size()), uint32_t(locals.size())));
  // PasswordAttempts (3) tries a member; an empty answer gives up at once.
  struct Case {
    std::vector<std::string> answers;  // what the event gives, call by call, then nothing
    int extracted;
    size_t asked;
    std::vector<int> codes;
  };
  const std::vector<int> bothRefused = {zipmsg::kNoPasswordFits, zipmsg::kNoPasswordFits};
  for (const Case& c :
       std::vector<Case>{{{"wrong", "right"}, 2, 2, {}},
                         {{"wrong", "wrong", "wrong", "right"}, 1, 4, {zipmsg::kNoPasswordFits}},
                         {{}, 0, 2, bothRefused}}) {
    codes_.clear();
    size_t asked = 0;
    zip_.OnGetPassword = [&](TUnBase&, const std::string&, std::string& password) {
      password = asked < c.answers.size() ? c.answers[asked] : std::string();
      ++asked;
    };
    EXPECT_EQ(zip_.Extract(), c.extracted);
    EXPECT_EQ(asked, c.asked);  // a password that fits serves the next member unasked
    EXPECT_EQ(codes_, c.codes);
    if (c.extracted > 0) {
      EXPECT_EQ(Content("two.txt"), "data of two.txt");
    }
  }
}

// Fault: a killed extraction left "name.~kv<n>" beside the file it was replacing for good,
// and then every later extraction removed the user's own files of that form without a word.
// The one name it now uses is taken over by the next run into the folder, which removes it
// (and nothing else) beside its file, saying so; nothing else is ever written under it.
TEST_F(UnZipTest, WhatAKilledRunLeftBesideAFileIsRemovedByTheNext) {
  for (const char* name : {"kept.txt", "kept.txt.~kv", "old.bmp", "old.bmp.~kv7", "alone.~kv",
                           "kept.txt.~kvx", "twice.txt"})
    WriteBytes(out_ + name, "left");
  Use(BuildZip({{"new.txt", "new"},
                {"kept.txt", "replaced"},
                {"twice.txt.~kv", "a member of that name"},
                {"twice.txt", "cannot be written under its temporary name"}})
          .bytes);
  EXPECT_EQ(zip_.Extract(), 3);
  EXPECT_EQ(codes_, (std::vector<int>{zipmsg::kLeftoverRemoved, zipmsg::kErrorWritingFile}));
  EXPECT_EQ(OsPathKey(files_[0]), OsPathKey(out_ + "kept.txt.~kv"));
  EXPECT_TRUE(Said(zipmsg::kErrorWritingFile, "a file this run wrote; the file there is kept"));
  EXPECT_EQ(Listing(out_),
            (std::vector<std::string>{"alone.~kv", "kept.txt", "kept.txt.~kvx", "new.txt",
                                      "old.bmp", "old.bmp.~kv7", "twice.txt", "twice.txt.~kv"}));
  EXPECT_EQ(Content("kept.txt"), "replaced");
  EXPECT_EQ(Content("twice.txt"), "left");
}

// New files go into the open folder they are created in; when that folder goes between two
// members (someone cleaning the temporary folder), it is made anew and the next member lands
// under its path. A name that differs from a file there only in case is that file on Windows.
TEST_F(UnZipTest, NewFilesOnlyFollowsTheFoldersPath) {
  Use(BuildZip({{"sub/a.txt", "a"}, {"sub/b.txt", "b"}, {"other/c.txt", "c"}}).bytes);
  ASSERT_TRUE(OsForceFolders(out_ + "other"));
  WriteBytes(out_ + "other\\C.TXT", "mine");
  zip_.NewFilesOnly = true;
  zip_.CreateStoredDirs = true;
  zip_.OnEnd = [this](TUnBase&, const std::string& name, bool) {
    if (name.find("a.txt") == std::string::npos) return;
    EXPECT_TRUE(OsDeleteFile(out_ + "sub\\a.txt"));
    EXPECT_TRUE(OsRemoveFolder(out_ + "sub"));
  };
  zip_.Extract();
  EXPECT_EQ(Listing(out_ + "sub"), (std::vector<std::string>{"b.txt"}));
  EXPECT_EQ(Content("sub\\b.txt"), "b");
#ifdef _WIN32
  EXPECT_EQ(Listing(out_ + "other"), (std::vector<std::string>{"C.TXT"}));
  EXPECT_EQ(Content("other\\C.TXT"), "mine");
  EXPECT_TRUE(Said(zipmsg::kErrorWritingFile, "something of that name is there"));
#else
  EXPECT_EQ(Listing(out_ + "other"), (std::vector<std::string>{"C.TXT", "c.txt"}));
#endif
}

// Into a folder made for the run: each file is created new, with no look for what is there
// first. Whatever is there already (a file, a folder, a killed run's leftover) is kept and
// reported, and no overwrite question is asked.
TEST_F(UnZipTest, NewFilesOnlyKeepsWhatIsThereAndAsksNothing) {
  WriteBytes(out_ + "kept.txt", "PRECIOUS");
  WriteBytes(out_ + "kept.txt.~kv", "left");
  ASSERT_TRUE(OsForceFolders(out_ + "d"));
  TestMember bad{"bad.txt", "broken member"};
  bad.corruptCrc = true;
  Use(BuildZip({{"new.txt", "new"},
                {"kept.txt", "replaced"},
                {"sub/", ""},
                {"sub/a.txt", "a"},
                {"sub/a.txt", "again"},
                {"d", "a file where a folder is"},
                bad})
          .bytes);
  int asked = 0;
  zip_.NewFilesOnly = true;
  zip_.CreateStoredDirs = true;
  zip_.ConfirmOverwrites = true;
  zip_.OnFileExists = [&asked](TUnBase&, const std::string&, std::string&, TOverwriteMode&) {
    ++asked;
  };
  EXPECT_EQ(zip_.Extract(), 3);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(Content("new.txt"), "new");
  EXPECT_EQ(Content("kept.txt"), "PRECIOUS");
  EXPECT_EQ(Content("kept.txt.~kv"), "left");
  EXPECT_EQ(Content("sub\\a.txt"), "a");
  EXPECT_EQ(Content("bad.txt"), "broken member");
  EXPECT_EQ(Count(zipmsg::kErrorWritingFile), 3);
  EXPECT_EQ(Count(zipmsg::kFileFailsCrc), 1);
  EXPECT_TRUE(Said(zipmsg::kErrorWritingFile, "kept.txt: something of that name is there"));
  EXPECT_TRUE(Said(zipmsg::kErrorWritingFile, "d: something of that name is there"));
  EXPECT_TRUE(
      Said(zipmsg::kErrorWritingFile, "an earlier member has that name; the first one is kept"));
  EXPECT_EQ(Listing(out_), (std::vector<std::string>{"bad.txt", "d", "kept.txt", "kept.txt.~kv",
                                                     "new.txt", "sub"}));
  // The same archive into a new folder: everything but the second a.txt comes out.
  codes_.clear();
  extended_.clear();
  zip_.SetExtractDir(root_ + "\\fresh");
  zip_.Extract();
  EXPECT_EQ(Count(zipmsg::kErrorWritingFile), 1);
  EXPECT_EQ(ReadBytes(root_ + "\\fresh\\kept.txt"), "replaced");
  EXPECT_EQ(ReadBytes(root_ + "\\fresh\\d"), "a file where a folder is");
#ifndef _WIN32
  // Fault: a file the system would not create (here: no file handle left; a full disk on
  // Windows) was said to be missing, the answer of the look at its name that came after.
  codes_.clear();
  extended_.clear();
  struct Exhausted {
    rlimit was{};
    std::vector<int> held;
    ~Exhausted() {
      for (int fd : held) ::close(fd);
      if (was.rlim_cur) ::setrlimit(RLIMIT_NOFILE, &was);
    }
  } exhausted;
  zip_.SetExtractDir(root_ + "\\exhausted");
  zip_.OnBegin = [&exhausted](TUnBase&, const std::string&, int, bool&) {
    if (exhausted.was.rlim_cur) return;
    ::getrlimit(RLIMIT_NOFILE, &exhausted.was);
    rlimit low = exhausted.was;
    low.rlim_cur = std::min<rlim_t>(low.rlim_cur, 256);
    ::setrlimit(RLIMIT_NOFILE, &low);
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
      exhausted.held.push_back(fd);
  };
  zip_.Extract();
  EXPECT_TRUE(Said(zipmsg::kErrorOpeningFile, std::string("new.txt: ") + std::strerror(EMFILE)));
  EXPECT_FALSE(Said(zipmsg::kErrorOpeningFile, std::strerror(ENOENT)));
#endif
}

// Faults: an end record behind a comment over 32 KiB was not found, and a digital signature
// record closing the directory was taken for damage.
TEST_F(UnZipTest, TheEndRecordIsFoundBehindAnyCommentAndASignatureMayCloseTheDirectory) {
  for (size_t length : {size_t(40000), size_t(65535)}) {
    codes_.clear();
    extended_.clear();
    Use(BuildZip({{"a.txt", "behind a long comment"}}, std::string(length, 'c')).bytes);
    EXPECT_EQ(zip_.Extract(), 1) << length;
    EXPECT_TRUE(codes_.empty()) << length;
    EXPECT_EQ(Content("a.txt"), "behind a long comment");
  }
  ZipBuild b = BuildZip({{"s.txt", "signed"}});
  std::string signature = Le(0x05054B50u, 4) + Le(4, 2) + "sign";
  std::string bytes = b.bytes.substr(0, b.centralOffset + b.centralSize) + signature +
                      EndRecord(1, uint32_t(b.centralSize + signature.size()), b.centralOffset);
  codes_.clear();
  extended_.clear();
  Use(bytes);
  EXPECT_EQ(zip_.Test(), 1);
  EXPECT_TRUE(codes_.empty());
}

#ifdef _WIN32
// Fault: an archive named like a device (aux.zip, com1.zip) was opened as that device and
// the read never returned.
TEST_F(UnZipTest, AnArchivePathNamingADeviceIsRefusedAtOnce) {
  for (const char* name : {"\\aux.zip", "\\com1.zip", "\\nul"}) {
    codes_.clear();
    extended_.clear();
    zip_.SetArchiveFile(root_ + name);
    EXPECT_EQ(zip_.Test(), 0) << name;
    EXPECT_FALSE(codes_.empty()) << name;
  }
}
#endif
