// Damaged and hostile archives: each ends, reports what is wrong (with the member or the
// offset) and never passes damage off as a good file.
#include <map>
#include <new>
#include <set>
#include <stdexcept>

#include "unzip_fixture.h"

namespace {

LocalHeader Local(uint16_t method, uint16_t flags, uint32_t crc, uint32_t compressed,
                  uint32_t uncompressed) {
  LocalHeader h;
  h.method = method;
  h.flags = flags;
  h.crc32 = crc;
  h.compressedSize = compressed;
  h.uncompressedSize = uncompressed;
  return h;
}

uint32_t Crc(const std::string& s) {
  return Crc32Of(s.data(), s.size());
}

// A member written by a streaming writer: sizes and CRC after the data (flag bit 3).
std::string Streamed(const std::string& name, const std::string& data, uint16_t method,
                     bool signature, bool zip64) {
  std::string packed = method == 8 ? RawDeflate(data) : data;
  std::string extra = zip64 ? Zip64Extra({0, 0}) : "";
  LocalHeader h =
      Local(method, zipflag::kDataDescriptor, 0, zip64 ? 0xFFFFFFFFu : 0, zip64 ? 0xFFFFFFFFu : 0);
  return LocalRecord(h, name, extra) + packed +
         Descriptor(Crc(data), packed.size(), data.size(), signature, zip64);
}

}  // namespace

// Fault: a Zip64 size that wraps the position round made the local-header walk run for ever.
TEST_F(UnZipTest, WrappingZip64SizeInLocalHeaderModeEnds) {
  const std::string extra =
      Zip64Extra({5, 0 - uint64_t(30 + 1 + 20)});  // the walk would land on 0 again
  std::string bytes =
      LocalRecord(Local(0, 0, Crc("hello"), 0xFFFFFFFFu, 0xFFFFFFFFu), "a", extra) + "hello";
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
                      Streamed("zip64.txt", text + "?", 8, true, true) +
                      Streamed("stored.txt", stored, 0, true, false);
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
  Use(local + central +
      EndRecord(1, uint32_t(central.size()), uint32_t(local.size()), std::string(40000, 'c')));
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
  std::string bytes =
      b.bytes.substr(0, b.centralOffset) + b.bytes.substr(b.centralOffset, b.centralSize) + entry;
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

  // An empty archive is no damage, even one of 22 bytes: its end record is the file's first.
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
  EXPECT_TRUE(
      Said(zipmsg::kBadFileHeader, "compressed size " + std::to_string(packed - 3) + " stated"));

  codes_.clear();
  extended_.clear();
  PutLE32(reinterpret_cast<uint8_t*>(&b.bytes[b.centralOffset + 20]), packed + 500);
  Use(b.bytes);
  EXPECT_EQ(zip_.Extract(), 2);
  EXPECT_EQ(Content("one.txt"), std::string(5000, '1'));
  EXPECT_TRUE(Said(zipmsg::kBadFileHeader, "runs into the member at offset"));
}

// Fault: two archives joined end to end (cat a.zip b.zip) gave the second one's member with
// the first one's data, under messages about a directory out of place; a second archive cut
// short after the first passed in silence. Each is said for what it is, and what checks out
// comes out.
TEST_F(UnZipTest, ArchivesJoinedEndToEndAreReported) {
  const std::string first = BuildZip({{"first.txt", "first"}}).bytes;
  const std::string second = BuildZip({{"second.txt", "second"}}).bytes;
  struct Case {
    std::string bytes;
    const char* said;
    std::vector<std::string> listed;
  };
  for (const Case& c :
       {Case{first + second, "another archive stands in front of this one", {"second.txt"}},
        Case{first + second.substr(0, 40), "a local header follows the archive", {"first.txt"}}}) {
    SCOPED_TRACE(c.said);
    testsupport::RemoveTree(HostPath(out_));
    OsForceFolders(out_);
    Use(c.bytes);
    std::vector<std::string> listed;
    for (int run = 0; run < 3; ++run) {
      codes_.clear();
      extended_.clear();
      if (run == 0) zip_.Test();
      if (run == 1)
        for (const TUnZip::ListedMember& m : zip_.List()) listed.push_back(m.name);
      if (run == 2) {
        EXPECT_EQ(zip_.Extract(), 1);
      }
      EXPECT_EQ(codes_, std::vector<int>{zipmsg::kBadFileHeader});
      EXPECT_TRUE(Said(zipmsg::kBadFileHeader, c.said));
    }
    EXPECT_EQ(listed, c.listed);
    EXPECT_EQ(Content(c.listed[0]), c.listed[0] == "first.txt" ? "first" : "second");
  }
}

// ---- One sweep over archives built here from the records -----------------------------------

namespace {

struct SweepMember {
  SweepMember(std::string name, std::string data, uint16_t method = 8)
      : name(std::move(name)), data(std::move(data)), method(method) {}
  std::string name;  // stored form; a folder ends in "/"
  std::string data;
  uint16_t method;
  bool descriptor = false;  // sizes after the data
  bool zip64 = false;       // 0xFFFFFFFF in the headers, the values in Zip64 items
  std::string localExtra, centralExtra, comment;  // extra items besides the Zip64 one
  uint32_t attributes = 0x20;
};

// What a changed byte may do. Checked: the reader relies on it, so a change must be reported
// (by t, x and l; in member data by t and x, as l decodes nothing). Free: no reader can tell a
// change from another sound archive (times, attributes, versions, comments, the contents of
// extra items nobody reads), so the files must still come out right unless a report says
// otherwise. Skipped: a change makes another sound archive with other files.
enum class ByteUse : uint8_t { Checked, Data, Free, Skipped };

struct SweepArchive {
  std::string title;
  std::string bytes;
  std::vector<ByteUse> use;
  std::map<std::string, std::string> files;  // engine-form name -> content
  std::set<std::string> folders;
  // Built damaged: how it must be reported as it is (Checked: by t, x and l; Data: by t and x).
  ByteUse damaged = ByteUse::Free;
};

std::string ExtraItem(uint16_t id, const std::string& data) {
  return Le(id, 2) + Le(data.size(), 2) + data;
}

class SweepBuilder {
 public:
  explicit SweepBuilder(std::string title) { a_.title = std::move(title); }

  void Add(const std::string& part, ByteUse use = ByteUse::Checked) {
    a_.bytes += part;
    a_.use.resize(a_.bytes.size(), use);
  }
  void Mark(size_t at, size_t count, ByteUse use) {
    for (size_t i = at; i < at + count; ++i) a_.use[i] = use;
  }
  // The bytes of extra items other than the Zip64 one: their ids and contents are free. So is
  // the length of such an item that ends the field: one less leaves bytes too few for an item
  // header after it, which readers pass over as this one does.
  void MarkExtraContents(size_t at, const std::string& extra) {
    for (size_t pos = 0; pos + 4 <= extra.size();
         pos += 4 + GetLE16(reinterpret_cast<const uint8_t*>(&extra[pos + 2]))) {
      if (GetLE16(reinterpret_cast<const uint8_t*>(&extra[pos])) == 1) continue;
      const size_t length = GetLE16(reinterpret_cast<const uint8_t*>(&extra[pos + 2]));
      Mark(at + pos, 2, ByteUse::Free);
      Mark(at + pos + 4, length, ByteUse::Free);
      if (pos + 4 + length == extra.size()) Mark(at + pos + 2, 1, ByteUse::Free);
    }
  }

  SweepArchive Build(const std::vector<SweepMember>& members, const std::string& comment,
                     bool zip64End) {
    std::string central;
    std::vector<std::pair<size_t, std::string>> centralExtras;  // where in `central`, what
    std::vector<size_t> centralHeaders;
    std::vector<bool> folderWithoutSlash;
    for (const SweepMember& m : members) {
      const std::string packed = m.method == 8 ? RawDeflate(m.data) : m.data;
      const uint32_t crc = Crc(m.data);
      const uint64_t offset = a_.bytes.size();
      LocalHeader h = Local(m.method, m.descriptor ? zipflag::kDataDescriptor : 0,
                            m.descriptor ? 0 : crc, m.descriptor ? 0 : uint32_t(packed.size()),
                            m.descriptor ? 0 : uint32_t(m.data.size()));
      h.time = 0x5C6D;
      h.date = 0x3A4B;
      std::string zip64Item;
      if (m.zip64) {
        h.compressedSize = h.uncompressedSize = 0xFFFFFFFFu;
        zip64Item = m.descriptor ? Zip64Extra({0, 0}) : Zip64Extra({m.data.size(), packed.size()});
      }
      Add(LocalRecord(h, m.name, zip64Item + m.localExtra));
      Mark(offset + 4, 2, ByteUse::Free);   // version needed
      Mark(offset + 7, 1, ByteUse::Free);   // flag bits 8-15
      Mark(offset + 10, 4, ByteUse::Free);  // time, date
      // Sizes after the data leave the local CRC and sizes (and Zip64 values) placeholders.
      if (m.descriptor) {
        Mark(offset + 14, 12, ByteUse::Free);
        // Its Zip64 item holds placeholders too, and the descriptor is read in the form that
        // fits, so no reader needs the item (its length one less leaves a byte after it).
        if (m.zip64) Mark(offset + 30 + m.name.size(), 3, ByteUse::Free);
        if (m.zip64) Mark(offset + 30 + m.name.size() + 4, 16, ByteUse::Free);
      }
      MarkExtraContents(offset + 30 + m.name.size(), zip64Item + m.localExtra);
      Add(packed, ByteUse::Data);
      if (m.descriptor) Add(Descriptor(crc, packed.size(), m.data.size(), true, m.zip64));
      CentralHeader c;
      c.method = m.method;
      c.flags = h.flags;
      c.time = h.time;
      c.date = h.date;
      c.crc32 = crc;
      c.compressedSize = uint32_t(packed.size());
      c.uncompressedSize = uint32_t(m.data.size());
      c.externalAttributes = m.attributes;
      c.localHeaderOffset = uint32_t(offset);
      std::string extra = m.centralExtra;
      if (m.zip64) {
        c.compressedSize = c.uncompressedSize = c.localHeaderOffset = 0xFFFFFFFFu;
        extra += Zip64Extra({m.data.size(), packed.size(), offset});
      }
      centralHeaders.push_back(central.size());
      centralExtras.push_back({central.size() + 46 + m.name.size(), extra});
      folderWithoutSlash.push_back((m.attributes & 0x10) && m.name.back() != '/');
      central += CentralRecord(c, m.name, extra, m.comment);
      std::string name = m.name;
      for (char& ch : name)
        if (ch == '/') ch = '\\';
      if (m.attributes & 0x10) {
        if (name.back() == '\\') name.pop_back();
        a_.folders.insert(name);
      } else {
        a_.files[name] = m.data;
      }
    }
    const uint64_t start = a_.bytes.size();
    Add(central);
    for (size_t i = 0; i < members.size(); ++i) {
      const size_t at = start + centralHeaders[i];
      Mark(at + 4, 4, ByteUse::Free);   // versions
      Mark(at + 9, 1, ByteUse::Free);   // flag bits 8-15
      Mark(at + 12, 4, ByteUse::Free);  // time, date
      Mark(at + 36, 2, ByteUse::Free);  // internal attributes
      // External attributes: whether a folder entry without a trailing "/" is a folder at all.
      Mark(at + 38, 4, folderWithoutSlash[i] ? ByteUse::Skipped : ByteUse::Free);
      Mark(at + 46 + members[i].name.size() + centralExtras[i].second.size(),
           members[i].comment.size(), ByteUse::Free);
      MarkExtraContents(start + centralExtras[i].first, centralExtras[i].second);
    }
    if (zip64End) {
      const uint64_t end64 = a_.bytes.size();
      Add(Le(zipsig::kZip64EndOfCentralDir, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(0, 4) +
          Le(0, 4) + Le(members.size(), 8) + Le(members.size(), 8) + Le(central.size(), 8) +
          Le(start, 8));
      Mark(end64 + 12, 4, ByteUse::Free);  // versions
      Add(Le(zipsig::kZip64Locator, 4) + Le(0, 4) + Le(end64, 8) + Le(1, 4));
      Mark(a_.bytes.size() - 4, 1, ByteUse::Free);  // number of disks: writers put 0 or 1
      Add(EndRecord(0xFFFF, 0xFFFFFFFFu, 0xFFFFFFFFu, comment));
    } else {
      Add(EndRecord(uint16_t(members.size()), uint32_t(central.size()), uint32_t(start), comment));
    }
    // A comment length too short leaves bytes after the comment, which other tools append.
    Mark(a_.bytes.size() - comment.size() - 2, comment.size() + 2, ByteUse::Free);
    return a_;
  }

  // An archive damaged on purpose: its own bytes, and what its directory lists.
  static SweepArchive Damaged(std::string title, std::string bytes,
                              std::map<std::string, std::string> files,
                              ByteUse reported = ByteUse::Checked) {
    SweepArchive a;
    a.title = std::move(title);
    a.bytes = std::move(bytes);
    a.files = std::move(files);
    a.use.assign(a.bytes.size(), ByteUse::Skipped);
    a.damaged = reported;
    return a;
  }

 private:
  SweepArchive a_;
};

// Archives that between them carry every record kind the reader handles, and a few damaged
// in ways no single changed byte gives.
std::vector<SweepArchive> SweepArchives() {
  std::string text;
  for (int i = 0; text.size() < 160; ++i) text += "line " + std::to_string(i * 7 % 13) + "; ";
  const std::string ut = ExtraItem(0x5455, Le(3, 1) + Le(1100000000, 4) + Le(1100000001, 4));
  const std::string owner =
      ExtraItem(0x7875, Le(1, 1) + Le(4, 1) + Le(1000, 4) + Le(4, 1) + Le(1000, 4));

  std::vector<SweepArchive> all;
  SweepMember folder{"dir/", "", 0};
  folder.attributes = 0x10;
  SweepMember dosFolder{"dos", "", 0};  // a folder as DOS tools store it: the attribute alone
  dosFolder.attributes = 0x10;
  SweepMember stored{"stored.txt", "stored, not deflated", 0};
  stored.comment = "entry comment";
  all.push_back(SweepBuilder("plain").Build(
      {stored, {"deflated.txt", text}, folder, {"dir/in.txt", text.substr(9, 40)}, dosFolder},
      "archive comment", false));
  SweepMember streamed{"streamed.txt", text};
  streamed.descriptor = true;
  SweepMember streamedStored{"dd-stored.txt", "stored, sizes after it", 0};
  streamedStored.descriptor = true;
  all.push_back(
      SweepBuilder("descriptors")
          .Build({streamed, streamedStored, {"after.txt", text.substr(0, 30)}}, "", false));
  SweepMember big{"zip64.txt", text};
  big.zip64 = true;
  big.localExtra = ut;
  big.centralExtra = ExtraItem(0x5455, Le(3, 1) + Le(1100000000, 4));  // the time alone
  SweepMember extras{"extras.txt", text.substr(40, 50)};
  extras.localExtra = ut + owner;
  extras.centralExtra = owner;
  SweepMember streamed64{"dd64.txt", text.substr(5, 60)};
  streamed64.descriptor = streamed64.zip64 = true;
  all.push_back(SweepBuilder("zip64").Build({big, extras, streamed64}, "zip64 archive", true));

  // Members hidden where no member can be: a local header inside the directory (in an
  // entry's comment) and one in the archive comment.
  const std::string hiddenData = "hidden member";
  std::string hidden = LocalRecord(Local(0, 0, Crc(hiddenData), uint32_t(hiddenData.size()),
                                         uint32_t(hiddenData.size())),
                                   "hidden.txt") +
                       hiddenData;
  const std::string shown = "shown member";
  std::string local =
      LocalRecord(Local(0, 0, Crc(shown), uint32_t(shown.size()), uint32_t(shown.size())),
                  "shown.txt") +
      shown;
  CentralHeader c;
  c.crc32 = Crc(shown);
  c.compressedSize = c.uncompressedSize = uint32_t(shown.size());
  c.externalAttributes = 0x20;
  CentralHeader h = c;
  h.crc32 = Crc(hiddenData);
  h.compressedSize = h.uncompressedSize = uint32_t(hiddenData.size());
  std::string first = CentralRecord(c, "shown.txt", "", hidden);
  h.localHeaderOffset = uint32_t(local.size() + 46 + 9);
  std::string central = first + CentralRecord(h, "hidden.txt");
  all.push_back(SweepBuilder::Damaged(
      "hidden in the directory",
      local + central + EndRecord(2, uint32_t(central.size()), uint32_t(local.size())),
      {{"shown.txt", shown}}));
  h.localHeaderOffset = uint32_t(local.size() + 2 * 46 + 9 + 10 + 22);
  central = CentralRecord(c, "shown.txt") + CentralRecord(h, "hidden.txt");
  all.push_back(SweepBuilder::Damaged(
      "hidden in the comment",
      local + central + EndRecord(2, uint32_t(central.size()), uint32_t(local.size()), hidden),
      {{"shown.txt", shown}}));
  // The deflate stream runs one byte past the compressed size both headers state.
  const std::string packed = RawDeflate(text);
  LocalHeader cut = Local(8, 0, Crc(text), uint32_t(packed.size() - 1), uint32_t(text.size()));
  local = LocalRecord(cut, "cut.txt") + packed;
  c.method = 8;
  c.crc32 = cut.crc32;
  c.compressedSize = cut.compressedSize;
  c.uncompressedSize = cut.uncompressedSize;
  central = CentralRecord(c, "cut.txt");
  all.push_back(SweepBuilder::Damaged(
      "stream past its size",
      local + central + EndRecord(1, uint32_t(central.size()), uint32_t(local.size())),
      {{"cut.txt", text}}, ByteUse::Data));

  // Sound archives whose comment holds an empty end record: in its middle, and at its end.
  const std::string emptyEnd = EndRecord(0, 0, 0);
  all.push_back(SweepBuilder("end record in the comment")
                    .Build({{"c.txt", text.substr(0, 30)}}, emptyEnd + "more", false));
  all.push_back(SweepBuilder("end record ending the comment")
                    .Build({{"c.txt", text.substr(0, 30)}}, "note " + emptyEnd, false));

  // Records that disagree in ways no single changed byte of the archives above gives.
  const std::string small = "small member";
  auto oneStored = [&](uint16_t localFlags, uint32_t localCrc) {
    const uint32_t size = uint32_t(small.size());
    CentralHeader entry;
    entry.crc32 = Crc(small);
    entry.compressedSize = entry.uncompressedSize = size;
    entry.externalAttributes = 0x20;
    std::string stored = LocalRecord(Local(0, localFlags, localCrc, size, size), "one.txt") + small;
    std::string directory = CentralRecord(entry, "one.txt");
    return stored + directory +
           EndRecord(1, uint32_t(directory.size()), uint32_t(stored.size()));
  };
  all.push_back(SweepBuilder::Damaged("local CRC 0", oneStored(0, 0), {{"one.txt", small}}));
  all.push_back(SweepBuilder::Damaged("sizes after the data, as the local header alone says",
                                      oneStored(zipflag::kDataDescriptor, Crc(small)),
                                      {{"one.txt", small}}));
  // The Zip64 archive with its locator counting two disks, and with its end record's size
  // field saying 2^40.
  const SweepArchive& zip64 = all[2];
  const size_t locator = zip64.bytes.size() - 22 - std::string("zip64 archive").size() - 20;
  std::string disks = zip64.bytes;
  disks[locator + 16] = 2;
  all.push_back(SweepBuilder::Damaged("Zip64 locator: two disks", disks, zip64.files));
  std::string recordSize = zip64.bytes;
  recordSize.replace(locator - 56 + 4, 8, Le(uint64_t(1) << 40, 8));
  all.push_back(SweepBuilder::Damaged("Zip64 record size 2^40", recordSize, zip64.files));
  // Local headers followed by an end record that lists no entries.
  const SweepArchive& plain = all[0];
  const size_t directoryAt = GetLE32(reinterpret_cast<const uint8_t*>(
      &plain.bytes[plain.bytes.size() - 22 - std::string("archive comment").size() + 16]));
  all.push_back(SweepBuilder::Damaged(
      "local headers, no entries",
      plain.bytes.substr(0, directoryAt) + EndRecord(0, 0, uint32_t(directoryAt)), {}));
  return all;
}

class DamageSweep : public UnZipTest {
 protected:
  void Tree(const std::string& folder, const std::string& prefix,
            std::map<std::string, std::string>& files, std::set<std::string>& folders) {
    OsDirSearch s;
    OsFindData d;
    if (!s.Open(folder)) return;
    while (s.Next(d)) {
      if (d.attributes & fattr::kDirectory) {
        folders.insert(prefix + d.name);
        Tree(folder + "\\" + d.name, prefix + d.name + "\\", files, folders);
      } else {
        files[prefix + d.name] = ReadBytes(folder + "\\" + d.name);
      }
    }
  }

  // Files go between runs, folders stay: removing a folder costs a flush to disk on some
  // file systems.
  void RemoveFiles(const std::string& folder) {
    OsDirSearch s;
    OsFindData d;
    std::vector<OsFindData> entries;
    if (s.Open(folder))
      while (s.Next(d)) entries.push_back(d);
    for (const OsFindData& e : entries) {
      if (e.attributes & fattr::kDirectory)
        RemoveFiles(folder + "\\" + e.name);
      else
        testsupport::RemoveTree(HostPath(folder + "\\" + e.name));
    }
  }

  // Tests, extracts and lists one form of the archive. What passes silently must be right:
  // the files with their contents and folders, the listing with names and sizes; and what
  // `use` says must be reported is. Returns what went wrong; empty when nothing did.
  std::string Check(const SweepArchive& a, const std::string& bytes, ByteUse use) {
    const std::string out = out_.substr(0, out_.size() - 1);
    RemoveFiles(out);
    // Removed rather than rewritten in place, which costs a flush to disk on some file systems.
    OsDeleteFile(root_ + "\\a.zip");
    Use(bytes);
    zip_.FileSpec = {"*"};
    zip_.RecurseDirs = zip_.UseStoredDirs = zip_.CreateStoredDirs = true;
    auto reported = [this](auto run) {
      codes_.clear();
      run();
      return !codes_.empty();
    };
    const bool tested = reported([this] { zip_.Test(); });
    const bool extracted = reported([this] { zip_.Extract(); });
    std::vector<TUnZip::ListedMember> listed;
    const bool listedReport = reported([&] { listed = zip_.List(); });
    std::string wrong;
    const bool data = use == ByteUse::Data;
    if ((use == ByteUse::Checked || data) && !(tested && extracted && (listedReport || data)))
      wrong += std::string(" not reported by") + (tested ? "" : " t") + (extracted ? "" : " x") +
               (listedReport || data ? "" : " l");
    std::map<std::string, std::string> sizes, expected;
    for (const TUnZip::ListedMember& m : listed) sizes[m.name] = std::to_string(m.uncompressedSize);
    for (const auto& [name, content] : a.files) expected[name] = std::to_string(content.size());
    if (!listedReport && sizes != expected)
      wrong += " l lists other names or sizes without a report";
    if (extracted && tested) return wrong;
    // Whatever passed silently is looked at, extracted anew into an empty folder.
    for (const std::string& entry : Listing(out_)) testsupport::RemoveTree(HostPath(out_ + entry));
    zip_.Extract();
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    Tree(out, "", files, folders);
    const bool right = files == a.files && folders == a.folders;
    if (!right && !extracted) wrong += " x gives other files without a report";
    if (!right && !tested) wrong += " t passes what x gets wrong";
    return wrong;
  }
};

}  // namespace

// Faults: an archive cut anywhere in its directory or end record, or whose end record is
// damaged, was read from its local headers without a word; members hidden in the directory
// or the archive comment, local and central headers that disagree on the method or the
// encryption, entry counts, disk numbers, Zip64 items and extra fields that disagree or run
// past their field, and deflate streams that do not end where their data does all passed;
// a folder entry that only its attribute marks was not made. Every cut and every changed
// byte must now give the right files or a report.
TEST_F(DamageSweep, EveryCutAndEveryChangedByteIsRightOrReported) {
  // The records are read by the same code everywhere; where every file call goes through an
  // emulator (the Windows builds under Wine) one variant in seventeen is run.
#ifdef _WIN32
  constexpr int kStride = 17;
#else
  constexpr int kStride = 1;
#endif
  std::vector<std::string> failures;
  int variants = 0;
  auto run = [&](const SweepArchive& a, const std::string& bytes, ByteUse use,
                 const std::string& what) {
    if (variants++ % kStride != 0) return;
    std::string wrong = Check(a, bytes, use);
    if (!wrong.empty()) failures.push_back(a.title + " " + what + ":" + wrong);
  };
  for (const SweepArchive& a : SweepArchives()) {
    std::string sound = Check(a, a.bytes, a.damaged);
    if (!sound.empty()) failures.push_back(a.title + " as built:" + sound);
    // A sound archive is no false alarm either.
    if (a.damaged == ByteUse::Free) {
      codes_.clear();
      extended_.clear();
      zip_.Test();
      zip_.List();
      if (!codes_.empty()) failures.push_back(a.title + " as built: reported " + extended_[0]);
    }
    for (size_t cut = 0; cut < a.bytes.size(); ++cut)
      run(a, a.bytes.substr(0, cut), ByteUse::Checked, "cut at " + std::to_string(cut));
    for (size_t at = 0; at < a.bytes.size(); ++at) {
      if (a.use[at] == ByteUse::Skipped) continue;
      for (int change : {0xFF, 1, -1}) {
        std::string bytes = a.bytes;
        bytes[at] = char(change == 0xFF ? uint8_t(bytes[at]) ^ 0xFF : uint8_t(bytes[at]) + change);
        run(a, bytes, a.use[at],
            "byte " + std::to_string(at) +
                (change == 0xFF ? " inverted"
                 : change > 0   ? " +1"
                                : " -1"));
      }
    }
  }
  std::string shown;
  for (size_t i = 0; i < failures.size() && i < 40; ++i) shown += "\n  " + failures[i];
  EXPECT_TRUE(failures.empty()) << failures.size() << " of " << variants / kStride
                                << " variants:" << shown;
}
