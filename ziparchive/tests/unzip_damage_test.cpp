// Damaged and hostile archives: each ends, reports what is wrong (with the member or the
// offset) and never passes damage off as a good file.
#include <new>
#include <stdexcept>

#include "unzip_fixture.h"

namespace {

LocalHeader Local(uint16_t method, uint16_t flags, uint32_t crc, uint32_t compressed, uint32_t uncompressed) {
  LocalHeader h;
  h.method = method;
  h.flags = flags;
  h.crc32 = crc;
  h.compressedSize = compressed;
  h.uncompressedSize = uncompressed;
  return h;
}

uint32_t Crc(const std::string& s) { return Crc32Of(s.data(), s.size()); }

// A member written by a streaming writer: sizes and CRC after the data (flag bit 3).
std::string Streamed(const std::string& name, const std::string& data, uint16_t method, bool signature, bool zip64) {
  std::string packed = method == 8 ? RawDeflate(data) : data;
  std::string extra = zip64 ? Zip64Extra({0, 0}) : "";
  LocalHeader h = Local(method, zipflag::kDataDescriptor, 0, zip64 ? 0xFFFFFFFFu : 0, zip64 ? 0xFFFFFFFFu : 0);
  return LocalRecord(h, name, extra) + packed + Descriptor(Crc(data), packed.size(), data.size(), signature, zip64);
}

}  // namespace

// Fault: a Zip64 size that wraps the position round made the local-header walk run for ever.
TEST_F(UnZipTest, WrappingZip64SizeInLocalHeaderModeEnds) {
  const std::string extra = Zip64Extra({5, 0 - uint64_t(30 + 1 + 20)});  // the walk would land on 0 again
  std::string bytes = LocalRecord(Local(0, 0, Crc("hello"), 0xFFFFFFFFu, 0xFFFFFFFFu), "a", extra) + "hello";
  ASSERT_LT(bytes.size(), 100u);
  Use(bytes);
  zip_.FileSpec = {"*"};
  EXPECT_LE(zip_.Extract(), 1);
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "runs past the end of the archive"));
  EXPECT_LE(Content("a").size(), 5u);
}

// Fault: a damaged central header in the middle ended the walk silently; the members before
// it came out and nothing was said.
TEST_F(UnZipTest, DamagedDirectoryEntryIsReportedAndTheRestStillComesOut) {
  ZipBuild b = BuildZip({{"one.txt", "first"}, {"two.txt", "second"}, {"three.txt", "third"}});
  size_t second = b.centralOffset + 46 + 7;
  b.bytes[second] = 'X';  // no longer a central header signature
  Use(b.bytes);
  EXPECT_EQ(zip_.Extract(), 1);
  EXPECT_EQ(Content("one.txt"), "first");
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "1 of 3 entries read"));
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "offset " + std::to_string(second)));

  // The other way round: the end record lists fewer entries than the directory holds.
  codes_.clear();
  extended_.clear();
  b = BuildZip({{"one.txt", "first"}, {"two.txt", "second"}});
  b.bytes[b.bytes.size() - 22 + 10] = 1;
  b.bytes[b.bytes.size() - 22 + 8] = 1;
  Use(b.bytes);
  EXPECT_EQ(zip_.Extract(), 2);
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "2 of 1 entries"));
}

// Fault: an archive written as a stream (sizes after the data) and cut short, with no central
// directory: the first member came out empty with a CRC that "passed", the rest was lost.
TEST_F(UnZipTest, StreamedArchiveWithoutDirectoryIsReadThroughItsDescriptors) {
  std::string text(3000, 't');
  for (size_t i = 0; i < text.size(); i += 5) text[i] = char('a' + i % 26);
  const std::string stored = "stored data, sizes after it";
  std::string bytes = Streamed("deflated.txt", text, 8, true, false) +
                      Streamed("nosig.txt", text + "!", 8, false, false) +
                      Streamed("zip64.txt", text + "?", 8, true, true) + Streamed("stored.txt", stored, 0, true, false);
  std::string cut = Streamed("cut.txt", text, 8, true, false);
  bytes += cut.substr(0, cut.size() - 40);
  Use(bytes);
  EXPECT_EQ(zip_.Extract(), 4);
  EXPECT_EQ(Content("deflated.txt"), text);
  EXPECT_EQ(Content("nosig.txt"), text + "!");
  EXPECT_EQ(Content("zip64.txt"), text + "?");
  EXPECT_EQ(Content("stored.txt"), stored);
  EXPECT_FALSE(Exists("cut.txt"));
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "no data descriptor can be found"));
  EXPECT_EQ(Count(zipmsg::kFileFailsCrc), 0);
}

// A streamed member in a sound archive still takes its CRC from the directory, and an
// archive whose local headers end at its directory (comment too long to search) reads clean.
TEST_F(UnZipTest, StreamedMembersWithDirectoryAndLongCommentReadClean) {
  const std::string data = "streamed with a directory";
  std::string local = Streamed("s.txt", data, 8, true, false);
  std::string packed = RawDeflate(data);
  CentralHeader c;
  c.method = 8;
  c.flags = zipflag::kDataDescriptor;
  c.crc32 = Crc(data);
  c.compressedSize = uint32_t(packed.size());
  c.uncompressedSize = uint32_t(data.size());
  c.externalAttributes = 0x20;
  std::string central = CentralRecord(c, "s.txt");
  Use(local + central + EndRecord(1, uint32_t(central.size()), uint32_t(local.size()), std::string(40000, 'c')));
  EXPECT_EQ(zip_.Extract(), 1);
  EXPECT_EQ(Content("s.txt"), data);
  EXPECT_TRUE(codes_.empty());
}

// Fault: two entries for the same data (the usual zip bomb) and data that decodes to more or
// less than the stated size went unreported; output never runs past the stated size.
TEST_F(UnZipTest, OverlapsAndWrongSizesAreReportedAndOutputStaysWithinTheStatedSize) {
  const std::string big(100000, 'z');
  TestMember bomb{"bomb.txt", big};
  ZipBuild b = BuildZip({bomb});
  // A second central entry for the same local header.
  std::string entry = b.bytes.substr(b.centralOffset, b.centralSize);
  entry.replace(46, 8, "copy.txt");
  std::string bytes = b.bytes.substr(0, b.centralOffset) + b.bytes.substr(b.centralOffset, b.centralSize) + entry;
  bytes += EndRecord(2, uint32_t(2 * b.centralSize), b.centralOffset);
  Use(bytes);
  EXPECT_EQ(zip_.Extract(), 1);
  EXPECT_TRUE(Exists("bomb.txt"));
  EXPECT_FALSE(Exists("copy.txt"));
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "overlaps the member bomb.txt"));

  // Stated sizes smaller and larger than what the data decodes to.
  codes_.clear();
  extended_.clear();
  ZipBuild s = BuildZip({{"short.txt", big}, {"long.txt", "tiny"}});
  auto patchSize = [&](size_t local, size_t central, uint32_t size) {
    PutLE32(reinterpret_cast<uint8_t*>(&s.bytes[local + 22]), size);
    PutLE32(reinterpret_cast<uint8_t*>(&s.bytes[central + 24]), size);
  };
  size_t secondLocal = 30 + 9 + RawDeflate(big).size();
  patchSize(0, s.centralOffset, 1000);
  patchSize(secondLocal, s.centralOffset + 46 + 9, 50);
  Use(s.bytes);
  EXPECT_EQ(zip_.Extract(), 2);
  EXPECT_EQ(Content("short.txt"), std::string(1000, 'z'));
  EXPECT_EQ(Content("long.txt"), "tiny");
  EXPECT_TRUE(Said(zipmsg::kFileFailsCrc, "more than the stated 1000 bytes"));
  EXPECT_TRUE(Said(zipmsg::kFileFailsCrc, "4 bytes decoded, 50 stated"));
}

// Fault: an event handler's exception (or memory running out) ended the run with nothing
// reported and OnDeactivate skipped.
TEST_F(UnZipTest, HandlerExceptionsAndMemoryFailuresAreReportedAndTheRunEnds) {
  Use(BuildZip({{"a.txt", std::string(70000, 'a')}, {"b.txt", "b"}}).bytes);
  int deactivated = 0;
  zip_.OnDeactivate = [&](TUnBase&) { ++deactivated; };
  zip_.OnProgress = [](TUnBase&, uint64_t, uint64_t) { throw std::runtime_error("handler broke"); };
  EXPECT_EQ(zip_.Extract(), 1);
  EXPECT_TRUE(Said(zipmsg::kEventHandlerFailed, "handler broke"));
  EXPECT_EQ(deactivated, 1);

  codes_.clear();
  zip_.OnProgress = [](TUnBase&, uint64_t, uint64_t) { throw std::bad_alloc(); };
  zip_.Extract();
  EXPECT_EQ(Count(zipmsg::kOutOfMemory), 1);
  EXPECT_EQ(deactivated, 2);
}

// Fault: an AES member (method 99) was reported as a missing OnGetPassword; a file that is
// no archive at all was not reported. A folder entry that holds data is reported too.
TEST_F(UnZipTest, UnsupportedBeforePasswordAndNonArchivesAreReported) {
  TestMember aes{"aes.txt", "secret"};
  aes.method = 99;
  aes.flags = zipflag::kEncrypted;
  aes.raw = std::string(40, 'x');
  TestMember folder{"Folder", "data in a folder entry"};
  folder.attributes = 0x10;
  Use(BuildZip({aes, folder}).bytes);
  zip_.Passwords = {"guess"};
  zip_.Extract();
  EXPECT_EQ(Count(zipmsg::kUnsupportedMethod), 1);
  EXPECT_EQ(Count(zipmsg::kRequiredEventNotAssigned), 0);
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "folder entry holds 22 bytes"));

  codes_.clear();
  Use(std::string(300, 'j'));
  EXPECT_EQ(zip_.Test(), 0);
  EXPECT_EQ(codes_, std::vector<int>{zipmsg::kBadFileHeader});

  // An empty archive is no damage, even one of 22 bytes that the end-record search (which
  // leaves out the first byte) does not find.
  codes_.clear();
  Use(EndRecord(0, 0, 0));
  EXPECT_EQ(zip_.Test(), 0);
  EXPECT_TRUE(codes_.empty());
}

// Data that runs into the next member is cut there; the compressed size is reported when it
// disagrees with where the deflated data really ends.
TEST_F(UnZipTest, CompressedSizesThatDisagreeWithTheDataAreReported) {
  ZipBuild b = BuildZip({{"one.txt", std::string(5000, '1')}, {"two.txt", "two"}});
  uint32_t packed = GetLE32(reinterpret_cast<const uint8_t*>(&b.bytes[b.centralOffset + 20]));
  PutLE32(reinterpret_cast<uint8_t*>(&b.bytes[b.centralOffset + 20]), packed - 3);
  Use(b.bytes);
  EXPECT_EQ(zip_.Extract(), 2);
  EXPECT_EQ(Content("one.txt"), std::string(5000, '1'));
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "compressed size " + std::to_string(packed - 3) + " stated"));

  codes_.clear();
  extended_.clear();
  PutLE32(reinterpret_cast<uint8_t*>(&b.bytes[b.centralOffset + 20]), packed + 500);
  Use(b.bytes);
  EXPECT_EQ(zip_.Extract(), 2);
  EXPECT_EQ(Content("one.txt"), std::string(5000, '1'));
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "runs into the member at offset"));
}
