// Updates of archives other writers made, and what the folder scan must leave out: an update
// keeps every member or refuses, and the writer never packs itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "ziparchive/archive/unzip.h"
#include "ziparchive/records/zip_messages.h"
#include "ziparchive/archive/zip_writer.h"
#include "zip_writer_test_util.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace ziparchive;

namespace {

void Append(Bytes& b, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}
void Append(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
void Append(Bytes& b, const Bytes& s) { b.insert(b.end(), s.begin(), s.end()); }

struct Recorded {
  std::vector<int> codes;
  std::vector<std::string> extended;
  std::vector<std::string> files;
  void Attach(TZipCommon& z) {
    z.OnError = [this](TZipCommon&, const std::string& f, const std::string& x, const std::string&, int c) {
      codes.push_back(c);
      extended.push_back(x);
      files.push_back(f);
    };
  }
  bool Said(int code, const std::string& text) const {
    for (std::size_t i = 0; i < codes.size(); ++i)
      if (codes[i] == code && extended[i].find(text) != std::string::npos) return true;
    return false;
  }
};

// Fails every write, so a test sees whether anything was written before a refusal.
class NoWriteZip : public TZipBase {
 protected:
  std::unique_ptr<OutStream> OpenOutput(OsFile file) override {
    struct Refusing : OutStream {
      std::unique_ptr<OutStream> inner;
      void Write(const void*, std::size_t) override { throw EZipWriteError("written", true); }
      std::uint64_t Position() const override { return inner->Position(); }
      void Seek(std::uint64_t p) override { inner->Seek(p); }
      std::uint64_t Size() const override { return inner->Size(); }
    };
    auto out = std::make_unique<Refusing>();
    out->inner = TZipBase::OpenOutput(std::move(file));
    return out;
  }
};

std::set<std::string> Names(const ParsedZip& z) {
  std::set<std::string> names;
  for (const ParsedMember& m : z.members) names.insert(m.centralName);
  return names;
}

struct Folders {
  EngineScratchFolder dir;
  std::string src = dir / "src";
  std::string archive = dir / "old.zip";
  Folders() {
    EXPECT_TRUE(OsCreateFolder(src));
    WriteBytes(src + "\\new.txt", TextBytes(300, 1));
  }
};

// Members of `count` empty stored files, with a central directory; the last member's
// compressed size may claim data that is not there.
Bytes ManyMembers(std::size_t count, std::uint32_t lastClaims = 0) {
  Bytes local, central;
  for (std::size_t i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%05u", unsigned(i));
    std::uint32_t offset = std::uint32_t(local.size());
    Append(local, zipsig::kLocalHeader, 4);
    Append(local, 10, 2);
    Append(local, 0, 2 + 2 + 4 + 4 + 4 + 4);
    Append(local, 6, 2);
    Append(local, 0, 2);
    Append(local, name);
    Append(central, zipsig::kCentralHeader, 4);
    Append(central, 20, 2);
    Append(central, 10, 2);
    Append(central, 0, 2 + 2 + 4 + 4);
    Append(central, i + 1 == count ? lastClaims : 0, 4);
    Append(central, 0, 4);
    Append(central, 6, 2);
    Append(central, 0, 2 + 2 + 2 + 2);
    Append(central, 0x20, 4);
    Append(central, offset, 4);
    Append(central, name);
  }
  Bytes zip = local;
  Append(zip, central);
  Append(zip, zipsig::kEndOfCentralDir, 4);
  Append(zip, 0, 4);
  Append(zip, count & 0xFFFF, 2);
  Append(zip, count & 0xFFFF, 2);
  Append(zip, central.size(), 4);
  Append(zip, local.size(), 4);
  Append(zip, 0, 2);
  return zip;
}

}  // namespace

// Fault: an update of an archive with a damaged central header in the middle wrote a new
// archive holding only the members before it.
TEST(ZipWriterUpdate, ArchiveWithDamagedDirectoryIsRefusedAndLeftAlone) {
  Folders f;
  {
    EngineScratchFolder other;
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) WriteBytes(other / n, TextBytes(500, 2));
    TZip zip;
    zip.SetArchiveFile(f.archive);
    zip.FileSpec = {other.Path() + "*"};
    ASSERT_EQ(zip.Compress(), 3);
  }
  Bytes damaged = ReadBytes(f.archive);
  ParsedZip parsed = ParseZip(damaged);
  std::size_t second = parsed.end.centralDirOffset + 46 + parsed.members[0].central.nameLength;
  damaged[second + 1] = 'Q';
  WriteBytes(f.archive, damaged);
  TZip zip;
  Recorded r;
  r.Attach(zip);
  zip.SetArchiveFile(f.archive);
  zip.FileSpec = {f.src + "\\*"};
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_TRUE(r.Said(zipmsg::kBadFileHeader, "1 of 3 entries read"));
  EXPECT_EQ(ReadBytes(f.archive), damaged);
}

// Fault: a carried-over member whose sizes follow its data in a Zip64 descriptor (24 bytes)
// lost 8 of them; the 65,535-member and 4 GiB limits were found only after writing it all.
TEST(ZipWriterUpdate, Zip64DescriptorsGoAlongWholeAndLimitsAreCheckedFirst) {
  Folders f;
  const Bytes content = TextBytes(2000, 3);
  const Bytes packed = RawDeflate(content, 6);
  Bytes record;
  Append(record, zipsig::kLocalHeader, 4);
  Append(record, 45, 2);
  Append(record, zipflag::kDataDescriptor, 2);
  Append(record, 8, 2);
  Append(record, 0, 4 + 4);
  Append(record, 0xFFFFFFFFu, 4);
  Append(record, 0xFFFFFFFFu, 4);
  Append(record, 8, 2);
  Append(record, 20, 2);
  Append(record, "old.bin");
  record.push_back('!');  // name "old.bin!"
  Append(record, 1, 2);
  Append(record, 16, 2);
  Append(record, 0, 16);
  Append(record, packed);
  Append(record, zipsig::kDataDescriptor, 4);
  Append(record, Crc(content), 4);
  Append(record, packed.size(), 8);
  Append(record, content.size(), 8);
  Bytes zip = record;
  Bytes central;
  Append(central, zipsig::kCentralHeader, 4);
  Append(central, 45, 2);
  Append(central, 45, 2);
  Append(central, zipflag::kDataDescriptor, 2);
  Append(central, 8, 2);
  Append(central, 0, 4);
  Append(central, Crc(content), 4);
  Append(central, packed.size(), 4);
  Append(central, content.size(), 4);
  Append(central, 8, 2);
  Append(central, 0, 2 + 2 + 2 + 2);
  Append(central, 0x20, 4);
  Append(central, 0, 4);
  Append(central, "old.bin!");
  Append(zip, central);
  Append(zip, zipsig::kEndOfCentralDir, 4);
  Append(zip, 0, 4);
  Append(zip, 1, 2);
  Append(zip, 1, 2);
  Append(zip, central.size(), 4);
  Append(zip, record.size(), 4);
  Append(zip, 0, 2);
  WriteBytes(f.archive, zip);

  TZip update;
  update.SetArchiveFile(f.archive);
  update.FileSpec = {f.src + "\\*"};
  ASSERT_EQ(update.Compress(), 1);
  Bytes after = ReadBytes(f.archive);
  EXPECT_NE(std::search(after.begin(), after.end(), record.begin(), record.end()), after.end())
      << "the member and its 24-byte descriptor are not carried over whole";
  ParsedZip parsed = ParseZip(after);
  EXPECT_EQ(Names(parsed), (std::set<std::string>{"old.bin!", "new.txt"}));
  TUnZip unzip;
  int problems = 0;
  unzip.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&, int) { ++problems; };
  unzip.FileSpec = {"*"};
  unzip.SetArchiveFile(f.archive);
  unzip.SetExtractDir(f.dir / "x");
  EXPECT_EQ(unzip.Extract(), 2);
  EXPECT_EQ(problems, 0);
  EXPECT_EQ(ReadBytes(f.dir / "x\\old.bin!"), content);

  // 65,535 members and one more: refused before a byte is written.
  // (A member that claims data the archive does not hold is damage, refused as such.)
  for (auto [many, claim, code, text] :
       {std::tuple<std::size_t, std::uint32_t, int, const char*>{65535, 0, zipmsg::kErrorWritingFile, "65536 members"},
        {3, 0xFFFFFF00u, zipmsg::kBadFileHeader, "runs past the end of the archive"}}) {
    SCOPED_TRACE(text);
    Bytes old = ManyMembers(many, claim);
    WriteBytes(f.archive, old);
    NoWriteZip refused;
    Recorded r;
    r.Attach(refused);
    refused.SetArchiveFile(f.archive);
    refused.FileSpec = {f.src + "\\*"};
    EXPECT_EQ(refused.Compress(), 0);
    EXPECT_TRUE(r.Said(code, text));
    EXPECT_EQ(std::count(r.codes.begin(), r.codes.end(), zipmsg::kDiskFull), 0) << "something was written";
    EXPECT_EQ(ReadBytes(f.archive), old);
  }
}

// Fault: the archive inside the scanned folder was packed into its own update, and the
// writer's temporary file became a member.
TEST(ZipWriterUpdate, TheArchiveAndTheTemporaryFileAreNeverPacked) {
  EngineScratchFolder dir;
  const std::string src = dir / "src";
  ASSERT_TRUE(OsCreateFolder(src));
  WriteBytes(src + "\\theme.ini", TextBytes(400, 4));
  const std::string archive = src + "\\pack.zip";
  for (int round = 0; round < 2; ++round) {
    if (round == 1) WriteBytes(src + "\\later.bmp", TextBytes(900, 5));
    TZip zip;
    Recorded r;
    r.Attach(zip);
    zip.SetArchiveFile(archive);
    zip.FileSpec = {src + "\\*"};
    zip.TempDir = src;  // the temporary file is made inside the scanned folder
    EXPECT_EQ(zip.Compress(), 1);
    std::set<std::string> expected = {"theme.ini"};
    if (round == 1) expected.insert("later.bmp");
    EXPECT_EQ(Names(ParseZip(ReadBytes(archive))), expected);
    EXPECT_EQ(std::count(r.codes.begin(), r.codes.end(), zipmsg::kErrorOpeningFile), 0);
  }
  EXPECT_EQ(ListFolder(src).size(), 3u) << "a temporary file was left behind";
}

// What the scan leaves out is reported: folders past its depth limit, and (where the system
// has them) links to folders, links out of the tree and special files, which used to hang.
TEST(ZipWriterUpdate, WhatTheScanLeavesOutIsReported) {
  EngineScratchFolder dir;
  const std::string src = dir / "src";
  std::string deep = src;
  ASSERT_TRUE(OsCreateFolder(src));
  WriteBytes(src + "\\top.txt", TextBytes(10, 6));
  for (int i = 0; i < 66; ++i) {
    deep += "\\d";
    ASSERT_TRUE(OsCreateFolder(deep));
  }
  WriteBytes(deep + "\\bottom.txt", TextBytes(10, 7));
#ifndef _WIN32
  auto host = [](std::string p) {
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
  };
  WriteBytes(dir / "outside.txt", TextBytes(10, 8));
  ASSERT_EQ(symlink(host(src).c_str(), host(src + "\\loop").c_str()), 0);
  ASSERT_EQ(symlink(host(dir / "outside.txt").c_str(), host(src + "\\out.txt").c_str()), 0);
  ASSERT_EQ(symlink(host(src + "\\top.txt").c_str(), host(src + "\\in.txt").c_str()), 0);
  ASSERT_EQ(mkfifo(host(src + "\\pipe.txt").c_str(), 0600), 0);
#endif
  TZip zip;
  Recorded r;
  r.Attach(zip);
  zip.SetArchiveFile(dir / "pack.zip");
  zip.FileSpec = {src + "\\*"};
  std::set<std::string> expected = {"top.txt"};
#ifndef _WIN32
  expected.insert("in.txt");
#endif
  EXPECT_EQ(zip.Compress(), int(expected.size()));
  EXPECT_EQ(Names(ParseZip(ReadBytes(dir / "pack.zip"))), expected);
  EXPECT_TRUE(r.Said(zipmsg::kNotScanned, "more than 64 folders deep"));
#ifndef _WIN32
  EXPECT_TRUE(r.Said(zipmsg::kNotScanned, "a link or junction to a folder"));
  EXPECT_TRUE(r.Said(zipmsg::kNotScanned, "leads out of the scanned folder"));
  EXPECT_TRUE(r.Said(zipmsg::kNotScanned, "neither a file nor a folder"));
  EXPECT_EQ(std::count(r.codes.begin(), r.codes.end(), zipmsg::kNotScanned), 4);
#endif
}

// Faults: an update carried damage the reader reports (members sharing data, data that fails
// its CRC) into an archive that then tested clean, dropped a self-extractor's program in front
// of the archive with exit 0, and refused the rest with a bare "Bad file header".
TEST(ZipWriterUpdate, ArchivesTheReaderFindsDamagedOrPrefixedAreRefusedWithTheReason) {
  Folders f;
  {
    EngineScratchFolder other;
    for (const char* n : {"a.txt", "b.txt"}) WriteBytes(other / n, TextBytes(2000, 3));
    TZip zip;
    zip.SetArchiveFile(f.archive);
    zip.FileSpec = {other.Path() + "*"};
    ASSERT_EQ(zip.Compress(), 2);
  }
  const Bytes sound = ReadBytes(f.archive);
  const ParsedZip parsed = ParseZip(sound);
  const std::size_t end = sound.size() - 22, directory = parsed.end.centralDirOffset;
  auto put32 = [](Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
  };

  Bytes crcDamage = sound;
  crcDamage[30 + parsed.members[0].central.nameLength + 5] ^= 0x20;

  // A second directory entry for the first member's data.
  const std::size_t firstEntry = 46 + parsed.members[0].central.nameLength;
  Bytes overlap(sound.begin(), sound.begin() + end);
  overlap.insert(overlap.end(), sound.begin() + directory, sound.begin() + directory + firstEntry);
  overlap.insert(overlap.end(), sound.begin() + end, sound.end());
  overlap[end + firstEntry + 8] = overlap[end + firstEntry + 10] = 3;
  put32(overlap, end + firstEntry + 12, std::uint32_t(end - directory + firstEntry));

  const Bytes stub(4096, 'M');
  Bytes prefixed = stub;
  prefixed.insert(prefixed.end(), sound.begin(), sound.end());
  Bytes adjusted = prefixed;
  put32(adjusted, stub.size() + end + 16, std::uint32_t(directory + stub.size()));
  for (std::size_t at = stub.size() + directory, i = 0; i < parsed.members.size(); ++i) {
    put32(adjusted, at + 42, std::uint32_t(parsed.members[i].central.localHeaderOffset + stub.size()));
    at += 46 + parsed.members[i].central.nameLength;
  }

  const struct {
    const char* what;
    Bytes bytes;
    std::string reason;
  } cases[] = {{"CRC", crcDamage, parsed.members[0].centralName + ": File fails CRC check"},
               {"overlap", overlap, "overlaps"},
               {"stub, offsets as stored", prefixed, "data stands in front of the archive"},
               {"stub, offsets adjusted", adjusted, "4096 bytes stand in front of the first record"}};
  for (const auto& c : cases) {
    WriteBytes(f.archive, c.bytes);
    TZip zip;
    Recorded r;
    r.Attach(zip);
    zip.SetArchiveFile(f.archive);
    zip.FileSpec = {f.src + "\\*"};
    EXPECT_EQ(zip.Compress(), 0) << c.what;
    EXPECT_TRUE(r.Said(zipmsg::kBadFileHeader, c.reason)) << c.what;
    EXPECT_TRUE(r.Said(zipmsg::kBadFileHeader, "the archive cannot be updated")) << c.what;
    EXPECT_EQ(ReadBytes(f.archive), c.bytes) << c.what;
  }
  // The sound archive itself is still taken.
  WriteBytes(f.archive, sound);
  TZip zip;
  zip.SetArchiveFile(f.archive);
  zip.FileSpec = {f.src + "\\*"};
  EXPECT_EQ(zip.Compress(), 1);
  EXPECT_EQ(Names(ParseZip(ReadBytes(f.archive))), (std::set<std::string>{"a.txt", "b.txt", "new.txt"}));
}

#ifndef _WIN32
// Fault: an update left the archive readable by its owner only, and replaced a link to the
// archive by a file while the archive it led to stayed as it was.
TEST(ZipWriterUpdate, TheUpdatedArchiveKeepsItsModeAndALinkStillLeadsToIt) {
  Folders f;
  auto host = [](std::string p) {
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
  };
  WriteBytes(f.archive, Bytes{});
  ASSERT_EQ(chmod(host(f.archive).c_str(), 0644), 0);
  std::string link = f.dir / "link.zip";
  ASSERT_EQ(symlink(host(f.archive).c_str(), host(link).c_str()), 0);
  TZip zip;
  zip.SetArchiveFile(link);
  zip.FileSpec = {f.src + "\\*"};
  ASSERT_EQ(zip.Compress(), 1);
  struct stat st {};
  ASSERT_EQ(lstat(host(link).c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(host(f.archive).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_EQ(Names(ParseZip(ReadBytes(f.archive))), (std::set<std::string>{"new.txt"}));
}
#endif

#ifdef _WIN32
// Fault: a file whose name the ANSI code page cannot hold was packed under a look-alike
// name ("?.txt") or left out without a word.
TEST(ZipWriterUpdate, AFileWhoseNameTheCodePageLacksIsReportedByItsRealName) {
  Folders f;
  std::wstring src(f.src.begin(), f.src.end());  // the scratch folder's path is ASCII
  FILE* file = _wfopen((src + L"\\\u03A9.txt").c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  std::fputs("omega", file);
  std::fclose(file);
  TZip zip;
  Recorded r;
  r.Attach(zip);
  zip.SetArchiveFile(f.archive);
  zip.FileSpec = {f.src + "\\*"};
  EXPECT_EQ(zip.Compress(), 1);
  EXPECT_TRUE(r.Said(zipmsg::kNotScanned, "\"\xCE\xA9.txt\" (UTF-8)"));
  EXPECT_EQ(Names(ParseZip(ReadBytes(f.archive))), (std::set<std::string>{"new.txt"}));
}
#endif
