#include "ziparchive/archive/unzip.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "ziparchive/archive/archive_reader.h"
#include "ziparchive/codecs/decompress_stream.h"
#include "ziparchive/codecs/legacy_decoders.h"
#include "ziparchive/records/zip_crypto.h"
#include "ziparchive/archive/zip_directory.h"
#include "ziparchive/records/zip_messages.h"
#include "ziparchive/records/wildcard.h"

namespace ziparchive {

namespace {
constexpr size_t kChunk = 32768;
// Block sizes of the archive reads: member data and local headers in file order, and the
// local headers the directory walk checks (small, as members may lie far apart).
constexpr size_t kDataBlock = 131072;
constexpr size_t kHeaderBlock = 32768;

// Compressed bytes of one member, at most its compressed size. Plain data is handed out in
// place in the reader's buffer; encrypted data is copied to be decrypted.
class MemberInput : public InputBuffer {
 public:
  MemberInput(ArchiveReader& archive, uint64_t start, uint64_t size, ZipCrypto* crypto)
      : InputBuffer(crypto ? 65536 : 0),
        archive_(archive),
        crypto_(crypto),
        pos_(start),
        size_(size),
        left_(size) {}

  uint64_t Taken() const { return size_ - left_; }

  bool Refill(size_t hint) override {
    if (crypto_) return InputBuffer::Refill(hint);
    size_t want = size_t(std::min<uint64_t>(hint ? hint : kDataBlock, left_));
    avail = want ? archive_.View(pos_, want, next) : 0;
    pos_ += avail;
    left_ -= avail;
    return avail > 0;
  }

 protected:
  size_t Fill(uint8_t* buffer, size_t capacity) override {
    size_t want = size_t(std::min<uint64_t>(capacity, left_)), got = 0;
    while (got < want) {
      const uint8_t* p;
      size_t n = archive_.View(pos_ + got, want - got, p);
      if (n == 0) break;  // the file ends inside the member
      memcpy(buffer + got, p, n);
      got += n;
    }
    pos_ += got;
    left_ -= got;
    if (crypto_ && got) crypto_->Decrypt(buffer, got);
    return got;
  }

 private:
  ArchiveReader& archive_;
  ZipCrypto* crypto_;
  uint64_t pos_, size_, left_;
};

std::string At(uint64_t offset) {
  return "offset " + std::to_string(offset);
}

bool IsSupportedMethod(uint16_t method) {
  return method <= 9 && method != 7;
}

// Records that may follow the last local header of a sound archive.
bool EndsTheMembers(uint32_t signature) {
  return signature == zipsig::kCentralHeader || signature == zipsig::kEndOfCentralDir ||
         signature == zipsig::kZip64EndOfCentralDir ||
         signature == 0x05054B50u;  // digital signature
}
}  // namespace

TUnZip::TUnZip() = default;
TUnZip::~TUnZip() = default;

void TUnZip::SetArchiveFile(const std::string& name) {
  std::string n = name;
  for (char& c : n)
    if (c == '/') c = '\\';
  if (n.empty() || !OsFileExists(OsPathOf(n))) {
    FArchiveFile.clear();
    FArcType = atNA;
    return;
  }
  FArchiveFile = n;
  FArcType = atNA;
  OsFile f;
  uint8_t head[4] = {};
  if (f.Open(OsPathOf(n), OsAccess::Read, OsShare::DenyWrite) && OsReadFull(f, head, 4) == 4) {
    if (head[0] == 'P' && head[1] == 'K')
      FArcType =
          ((head[2] == 1 && head[3] == 2) || (head[2] == 7 && head[3] == 8)) ? atSpannedZip : atZip;
    else
      FArcType = atZipExe;  // data before the first record, as a self-extractor has
  }
}

void TUnZip::ReportDamage(const std::string& what) {
  Report(FArchiveFile, what, zipmsg::kBadFileHeader);
}

void TUnZip::CollectFromCentralDirectory(OsFile& archive, const CentralDirLocation& where,
                                         uint64_t fileSize, std::vector<MemberEntry>& members) {
  ArchiveReader headers(archive, fileSize, kHeaderBlock);
  // Offsets are used as stored. Only where that finds no local header, and the directory
  // itself stands later than its stored offset says (data put in front of the archive, as
  // a self-extractor has), the same shift is tried for the member.
  const uint64_t storedStart = where.storedStart;
  uint64_t prefixShift =
      where.centralDirStart > storedStart ? where.centralDirStart - storedStart : 0;
  bool shifted = false, unshifted = false;
  bool localAtStart = false;  // an entry's local header is the file's first record
  // Entries are read as far as the file holds them, also past where the directory should
  // end (a comment length too long, say); the check afterwards reports any such mismatch.
  WalkResult walk =
      WalkCentralDirectory(archive, where.centralDirStart, fileSize, [&](const CentralEntry& e) {
        std::string name = DecodeMemberName(e.rawName, e.header.flags, TranslateOemChar).name;
        if (!IsSelected(name)) {
          if (e.sizes.localHeaderOffset == 0 && !prefixShift) localAtStart = true;
          return !FCancel;
        }
        if (!e.extraFits)
          Report(name,
                 "an item of the directory entry's extra field at " + At(e.recordPosition) +
                     " runs past the field",
                 zipmsg::kBadFileHeader);
        if (e.sizes.diskStart != 0)
          Report(name,
                 "the directory entry at " + At(e.recordPosition) + " places the member on disk " +
                     std::to_string(e.sizes.diskStart),
                 zipmsg::kBadFileHeader);
        uint8_t head[LocalHeader::kSize];
        auto localAt = [&](uint64_t offset) {
          return offset <= fileSize && fileSize - offset >= LocalHeader::kSize &&
                 headers.Read(offset, head, sizeof head) && GetLE32(head) == zipsig::kLocalHeader;
        };
        // Whether the local header in `head`, at offset, carries the entry's name.
        auto named = [&](uint64_t offset) {
          const size_t length = GetLE16(head + 26);
          if (length != e.rawName.size()) return false;
          std::string localName(length, '\0');
          return headers.Read(offset + LocalHeader::kSize, localName.data(), length) &&
                 localName == e.rawName;
        };
        uint64_t offset = e.sizes.localHeaderOffset;
        const uint64_t moved = offset <= UINT64_MAX - prefixShift ? offset + prefixShift : offset;
        if (!localAt(offset)) {
          offset = moved;
          if (!prefixShift || !localAt(offset)) {
            Report(name, "no local header at " + At(e.sizes.localHeaderOffset),
                   zipmsg::kBadFileHeader);
            return !FCancel;
          }
          shifted = true;
        } else if (prefixShift && !named(offset) && localAt(moved) && named(moved)) {
          // Another archive in front of this one (two archives joined) has a member where
          // this one's stored offset points; the shifted header is this entry's.
          offset = moved;
          shifted = true;
        } else {
          if (prefixShift) localAt(offset);  // the look at the shifted header read over `head`
          unshifted = true;
        }
        if (offset == 0) localAtStart = true;
        LocalHeader local;
        local.Read(head);
        uint64_t dataOffset = offset + LocalHeader::kSize + local.nameLength + local.extraLength;
        if (dataOffset > fileSize) {
          Report(name, "local header at " + At(offset) + " runs past the end of the archive",
                 zipmsg::kBadFileHeader);
          return !FCancel;
        }
        MemberEntry m;
        m.externalAttributes = e.header.externalAttributes;
        m.diskNumber = e.header.diskNumberStart;
        m.localHeaderOffset = offset;
        m.dataOffset = dataOffset;
        m.central = e.header;
        m.sizes = e.sizes;
        m.statedCompressed = e.sizes.compressedSize;
        m.name = name;
        m.centralRawName = e.rawName;
        m.room = fileSize - dataOffset;
        if (m.sizes.compressedSize > fileSize - dataOffset) {
          Report(name, "data at " + At(dataOffset) + " runs past the end of the archive",
                 zipmsg::kBadFileHeader);
          m.sizes.compressedSize = fileSize - dataOffset;
        }
        members.push_back(std::move(m));
        return !FCancel;
      });
  if (!walk.stopped) {
    std::string mismatch = DirectoryMismatch(where, walk);
    if (!mismatch.empty()) ReportDamage(mismatch);
  }
  // A directory that stands elsewhere than its stored offset says is sound only where data
  // in front of the archive explains it, that is where the members are found shifted too.
  if (storedStart != where.centralDirStart &&
      (storedStart > where.centralDirStart || !shifted || unshifted))
    ReportDamage("the end record places the directory at " + At(storedStart) + ", it stands at " +
                 At(where.centralDirStart));
  // A local header at the start of the file that no entry names: the directory has lost
  // members, or another archive stands in front of this one (two archives joined).
  uint8_t first[4];
  if (!localAtStart && where.centralDirStart >= LocalHeader::kSize &&
      headers.Read(0, first, sizeof first) && GetLE32(first) == zipsig::kLocalHeader)
    ReportDamage("offset 0 holds a local header that the central directory does not list: " +
                 std::string(shifted ? "another archive stands in front of this one"
                                     : "members outside the directory") +
                 "; they are not read");
  SettleOverlaps(where, members);
}

void TUnZip::SettleOverlaps(const CentralDirLocation& where, std::vector<MemberEntry>& members) {
  if (members.empty()) return;
  const uint64_t directoryStart = where.centralDirStart;
  std::vector<size_t> order(members.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return members[a].localHeaderOffset < members[b].localHeaderOffset;
  });
  std::vector<bool> dropped(members.size(), false);
  MemberEntry* previous = nullptr;
  for (size_t index : order) {
    MemberEntry& m = members[index];
    // Nothing but the directory may follow the last member: a header there is hidden from
    // whoever looks at the members in file order.
    if (m.dataOffset > directoryStart) {
      const char* place = m.localHeaderOffset < directoryStart ? "runs into the central directory"
                          : m.localHeaderOffset < where.endRecordPosition
                              ? "lies inside the central directory"
                              : "lies inside the archive comment";
      Report(m.name, "local header at " + At(m.localHeaderOffset) + " " + place,
             zipmsg::kBadFileHeader);
      dropped[index] = true;
      continue;
    }
    if (previous) {
      if (m.localHeaderOffset < previous->dataOffset) {
        // Two entries for one header (or a header inside another's): the usual way to make
        // a small archive expand without end. Only the first is kept.
        Report(
            m.name,
            "local header at " + At(m.localHeaderOffset) + " overlaps the member " + previous->name,
            zipmsg::kBadFileHeader);
        dropped[index] = true;
        continue;
      }
      uint64_t room = m.localHeaderOffset - previous->dataOffset;
      previous->room = std::min(previous->room, room);
      if (previous->sizes.compressedSize > room) {
        Report(previous->name,
               "data at " + At(previous->dataOffset) + " runs into the member at " +
                   At(m.localHeaderOffset),
               zipmsg::kBadFileHeader);
        previous->sizes.compressedSize = room;
      }
    }
    previous = &m;
  }
  // The last member's data ends where the directory begins (when it lies before it).
  if (previous && previous->dataOffset <= directoryStart)
    previous->room = std::min(previous->room, directoryStart - previous->dataOffset);
  if (previous && previous->dataOffset <= directoryStart &&
      previous->sizes.compressedSize > directoryStart - previous->dataOffset) {
    Report(previous->name,
           "data at " + At(previous->dataOffset) + " runs into the central directory at " +
               At(directoryStart),
           zipmsg::kBadFileHeader);
    previous->sizes.compressedSize = directoryStart - previous->dataOffset;
  }
  size_t kept = 0;
  for (size_t i = 0; i < members.size(); ++i) {
    if (dropped[i]) continue;
    if (kept != i) members[kept] = std::move(members[i]);
    ++kept;
  }
  members.resize(kept);
}

bool TUnZip::ResolveStreamedMember(ArchiveReader& archive, uint64_t fileSize, bool zip64,
                                   MemberEntry& m, uint64_t& next) {
  const uint64_t room = fileSize - m.dataOffset;
  uint8_t tail[24];
  auto descriptorAt = [&](uint64_t compressed, DataDescriptor& d) {
    if (compressed > room) return false;
    size_t avail = size_t(std::min<uint64_t>(sizeof tail, room - compressed));
    return archive.Read(m.dataOffset + compressed, tail, avail) &&
           ParseDataDescriptor(tail, avail, zip64, compressed, nullptr, nullptr, d);
  };
  DataDescriptor d;
  bool found = false;
  const uint16_t method = m.central.method;
  if (m.sizes.compressedSize != 0) {
    // Sizes given in the header as well: the descriptor must follow where they say.
    found = descriptorAt(m.sizes.compressedSize, d);
  } else if ((method == 8 || method == 9) && !(m.central.flags & zipflag::kEncrypted)) {
    // Deflated data ends by itself: decode it to find where the descriptor stands.
    MemberInput input(archive, m.dataOffset, room, nullptr);
    TDecompressStream stream(input, method == 9);
    std::vector<uint8_t> scratch(kChunk);
    while (!FCancel) {
      ProcessPendingMessages();
      if (stream.Read(scratch.data(), scratch.size()) < 1) break;
    }
    if (stream.Finished()) found = descriptorAt(input.Taken() - stream.UnusedInput(), d);
  } else {
    // Otherwise only a descriptor with its signature can be found: the first one whose
    // compressed size is its distance from the data.
    std::vector<uint8_t> block(65536 + 3);
    for (uint64_t pos = 0; pos < room && !found && !FCancel;) {
      size_t got = size_t(std::min<uint64_t>(block.size(), room - pos));
      if (!archive.Read(m.dataOffset + pos, block.data(), got)) break;
      for (size_t i = 0; i + 4 <= got && i < 65536 && !found; ++i)
        if (block[i] == 'P' && GetLE32(&block[i]) == zipsig::kDataDescriptor)
          found = descriptorAt(pos + i, d);
      pos += 65536;
    }
  }
  if (!found) {
    Report(
        m.name,
        "sizes follow the data at " + At(m.dataOffset) + ", where no data descriptor can be found",
        zipmsg::kBadFileHeader);
    return false;
  }
  m.sizes.compressedSize = d.compressedSize;
  m.sizes.uncompressedSize = d.uncompressedSize;
  m.central.crc32 = d.crc32;
  m.central.compressedSize = uint32_t(d.compressedSize);
  m.central.uncompressedSize = uint32_t(d.uncompressedSize);
  next = m.dataOffset + d.compressedSize + d.length;
  return true;
}

void TUnZip::CollectFromLocalHeaders(ArchiveReader& archive, uint64_t start, uint64_t fileSize,
                                     std::vector<MemberEntry>& members) {
  uint64_t pos = start;
  uint8_t marker[4];
  if (archive.Read(pos, marker, 4) && GetLE32(marker) == zipsig::kDataDescriptor) pos += 4;
  while (!FCancel) {
    uint8_t head[LocalHeader::kSize];
    if (pos > fileSize || fileSize - pos < 4) {
      if (pos != fileSize) ReportDamage("the archive ends inside a record at " + At(pos));
      break;
    }
    if (fileSize - pos < LocalHeader::kSize || !archive.Read(pos, head, sizeof head) ||
        GetLE32(head) != zipsig::kLocalHeader) {
      uint8_t sig[4];
      if (!(archive.Read(pos, sig, 4) && EndsTheMembers(GetLE32(sig))))
        ReportDamage("no ZIP record at " + At(pos));
      break;
    }
    LocalHeader h;
    h.Read(head);
    if (uint64_t(h.nameLength) + h.extraLength > fileSize - pos - LocalHeader::kSize) {
      ReportDamage("the local header at " + At(pos) + " runs past the end of the archive");
      break;
    }
    std::string raw(h.nameLength, '\0'), extra(h.extraLength, '\0');
    if ((h.nameLength && !archive.Read(pos + LocalHeader::kSize, raw.data(), raw.size())) ||
        (h.extraLength &&
         !archive.Read(pos + LocalHeader::kSize + h.nameLength, extra.data(), extra.size())))
      break;
    MemberEntry m;
    const auto* extraBytes = reinterpret_cast<const uint8_t*>(extra.data());
    ApplyZip64Extra(extraBytes, extra.size(), h.uncompressedSize, h.compressedSize, 0, m.sizes);
    m.sizes.localHeaderOffset = pos;
    m.localHeaderOffset = pos;
    m.dataOffset = pos + LocalHeader::kSize + h.nameLength + h.extraLength;
    m.room = fileSize - m.dataOffset;
    m.fromLocalHeader = true;
    m.externalAttributes = fattr::kArchive;
    m.central.flags = h.flags;
    m.central.method = h.method;
    m.central.time = h.time;
    m.central.date = h.date;
    m.central.crc32 = h.crc32;
    m.central.compressedSize = h.compressedSize;
    m.central.uncompressedSize = h.uncompressedSize;
    m.name = DecodeMemberName(raw, h.flags, TranslateOemChar).name;
    if (!m.name.empty() && m.name.back() == '\\') m.externalAttributes = fattr::kDirectory;
    uint64_t next;
    if (h.flags & zipflag::kDataDescriptor) {
      if (!ResolveStreamedMember(archive, fileSize, HasZip64Extra(extraBytes, extra.size()), m,
                                 next))
        break;
    } else if (m.sizes.compressedSize > fileSize - m.dataOffset) {
      // Every size is checked against the file before the walk moves by it.
      Report(m.name, "data at " + At(m.dataOffset) + " runs past the end of the archive",
             zipmsg::kBadFileHeader);
      m.sizes.compressedSize = fileSize - m.dataOffset;
      next = UINT64_MAX;
    } else {
      next = m.dataOffset + m.sizes.compressedSize;
    }
    if (IsSelected(m.name)) members.push_back(std::move(m));
    if (next == UINT64_MAX) break;
    pos = next;
  }
}

int TUnZip::Extract() {
  FCount = 0;
  FCancel = false;
  FArchiveProgress = 0;
  FFolderMade = false;
  StartRun();
  FGivenPasswords.clear();
  ExcludeSpec.clear();
  if (FArchiveFile.empty()) {
    Report(FArchiveFile, "", zipmsg::kFileNotFound);
    return 0;
  }
  bool activated = false;
  try {
    OsFile archive;
    if (!archive.Open(OsPathOf(FArchiveFile), OsAccess::Read, OsShare::DenyWrite)) {
      Report(FArchiveFile, SystemReason(), zipmsg::kErrorOpeningFile);
      return 0;
    }
    FArchiveId = archive.Identity();
    activated = true;
    if (OnActivate) OnActivate(*this);
    int64_t size = archive.Size();
    uint64_t fileSize = size > 0 ? uint64_t(size) : 0;
    std::vector<MemberEntry> members;
    ArchiveReader reader(archive, fileSize, kDataBlock);
    CentralDirLocation where;
    if (LocateCentralDirectory(archive, where)) {
      const EndOfCentralDir& end = where.endRecord;
      // (Bytes after the comment are left alone: other tools append data there. But members
      // there are another archive's, joined to this one, or this one's past its end.)
      const uint64_t afterComment =
          where.endRecordPosition + EndOfCentralDir::kSize + end.commentLength;
      uint8_t next[4];
      if (end.commentLength > fileSize - where.endRecordPosition - EndOfCentralDir::kSize)
        ReportDamage("the archive comment runs past the end of the archive");
      else if (fileSize - afterComment >= 4 && reader.Read(afterComment, next, 4) &&
               GetLE32(next) == zipsig::kLocalHeader)
        ReportDamage("a local header follows the archive at " + At(afterComment) +
                     ": another archive joined to this one; its members are not read");
      // (A Zip64 archive's plain end record may hold 0xFFFF anywhere: its Zip64 record counts.)
      if (where.thisDisk != 0 || where.centralDirDisk != 0 || where.zip64RecordDisk != 0 ||
          where.zip64Disks > 1)
        ReportDamage("one part of an archive spread over several disks");
      if (where.zip64 && where.zip64RecordSize != where.zip64RecordRoom)
        ReportDamage("the Zip64 end record at " + At(where.centralDirEnd) + " gives its size as " +
                     std::to_string(where.zip64RecordSize) + " bytes, " +
                     std::to_string(where.zip64RecordRoom) + " stand before its locator");
      if (where.entriesOnDisk != where.expectedEntries)
        ReportDamage("the end record lists " + std::to_string(where.entriesOnDisk) +
                     " entries on this disk and " + std::to_string(where.expectedEntries) +
                     " in all");
      std::string plain = PlainEndRecordMismatch(where);
      if (!plain.empty()) ReportDamage("the end record and the Zip64 end record differ: " + plain);
      if (where.sizeDisagrees)
        ReportDamage("the directory at " + At(where.centralDirStart) +
                     " is not the size the end record gives it");
      CollectFromCentralDirectory(archive, where, fileSize, members);
    } else if (where.localSignatureFound) {
      // The fallback reads what it can, but the members the directory would list (and their
      // names, attributes, any member past damage) may be missing: that is said.
      ReportDamage(
          (where.endRecordFound
               ? "no central directory where the end record at " + At(where.endRecordPosition) +
                     " places it"
               : std::string("no end record: the central directory is missing or damaged")) +
          "; the members are read from their local headers");
      CollectFromLocalHeaders(reader, where.localScanStart, fileSize, members);
    } else {
      ReportDamage(where.endRecordFound
                       ? "no central directory where the end record at " +
                             At(where.endRecordPosition) + " places it, and no member found"
                       : "not a ZIP archive: no end record and no local header found");
    }

    uint32_t maxDate = 0;
    for (const MemberEntry& m : members) maxDate = std::max(maxDate, m.central.DosDateTime());
    // Decoder state serves every member of this run.
    FDecoders = std::make_unique<DecoderCache>();
    for (const MemberEntry& m : members) {
      if (FCancel) break;
      ExtractMember(reader, m, maxDate);
    }
  } catch (const std::bad_alloc&) {
    AbandonOutput();
    try {
      Report(FCurrentName, "", zipmsg::kOutOfMemory);
    } catch (...) {
    }
  } catch (const std::exception& e) {
    // An event handler's exception ends the operation; it is reported, not passed on.
    AbandonOutput();
    try {
      Report(FCurrentName, e.what(), zipmsg::kEventHandlerFailed);
    } catch (...) {
    }
  } catch (...) {
    AbandonOutput();
    try {
      Report(FCurrentName, "", zipmsg::kEventHandlerFailed);
    } catch (...) {
    }
  }
  FDecoders.reset();
  FOutFolder.Close();
  if (activated && OnDeactivate) {
    try {
      OnDeactivate(*this);
    } catch (...) {
      // Extract never raises.
    }
  }
  return FCount;
}

std::vector<TUnZip::ListedMember> TUnZip::List(bool withFolders) {
  FListOnly = true;
  FListFolders = withFolders;
  FListed.clear();
  Extract();
  FListOnly = false;
  return std::move(FListed);
}

int TUnZip::Test() {
  FTestOnly = true;
  int n = Extract();
  FTestOnly = false;
  return n;
}

void TUnZip::ExtractMember(ArchiveReader& archive, const MemberEntry& member, uint32_t maxDate) {
  uint8_t head[LocalHeader::kSize];
  if (!archive.Read(member.localHeaderOffset, head, sizeof head)) return;
  LocalHeader local;
  local.Read(head);
  std::string raw(local.nameLength, '\0');
  if (local.nameLength &&
      !archive.Read(member.localHeaderOffset + LocalHeader::kSize, raw.data(), raw.size()))
    return;
  const uint16_t flags = member.central.flags;
  MemberName name = DecodeMemberName(raw, flags, TranslateOemChar, Utf8Paths);
  FCurrentName = name.name;
  uint32_t storedCrc = local.crc32;
  // Sizes after the data (bit 3) leave the local header's CRC as a placeholder.
  if (member.fromLocalHeader || ((flags | local.flags) & zipflag::kDataDescriptor) ||
      (local.crc32 == 0 && member.sizes.compressedSize != 0))
    storedCrc = member.central.crc32;
  if (!member.fromLocalHeader) CheckLocalAgainstCentral(archive, member, local, raw);
  uint32_t dosTime = local.DosDateTime();
  if (DateAttribute == daSysDate)
    dosTime = OsNowDosDateTime();
  else if (DateAttribute == daMaxFileDate)
    dosTime = maxDate;

  const bool folderBit = member.externalAttributes & fattr::kDirectory;
  const bool isFolder = folderBit || (!FCurrentName.empty() && FCurrentName.back() == '\\');
  // DOS tools mark a folder by its attribute alone: the whole name is the folder (unless the
  // entry holds data, which is damage: no folder is made in the file's name then).
  if (isFolder && member.sizes.uncompressedSize == 0 && !FCurrentName.empty() &&
      FCurrentName.back() != '\\') {
    name.name += '\\';
    if (!name.utf8.empty()) name.utf8 += '\\';
  }
  if (isFolder && member.sizes.uncompressedSize != 0)
    Report(FCurrentName,
           "folder entry holds " + std::to_string(member.sizes.uncompressedSize) + " bytes of data",
           zipmsg::kBadFileHeader);
  OsPath path{std::string()};
  std::string shown;
  if (FTestOnly || FListOnly) {
    // Test and list refuse what extraction would refuse, with the same reports.
    const bool refused = NameRefused(name, isFolder);
    if (FListOnly) {
      if (!isFolder || FListFolders)
        FListed.push_back({FCurrentName, name.utf8, member.sizes.uncompressedSize,
                           member.statedCompressed, member.central.method, flags,
                           member.central.DosDateTime(), member.central.crc32, isFolder});
      return;
    }
    if (refused || isFolder) return;
    shown = FCurrentName;
    path = OsPath(shown);
  } else if (OutputPath(name, path, shown) == PathResult::Unsafe) {
    Report(FCurrentName, InNameForm(name, shown), zipmsg::kUnsafeStoredPath);
    return;
  }
  if (isFolder) {
    MakeStoredFolder(path.With(NameFolderPart(path.text)), shown);
    return;
  }
  if (!FTestOnly && !DecideWrite(FCurrentName, path, shown)) return;
  const uint16_t method = member.central.method;
  const bool encrypted = flags & zipflag::kEncrypted;
  // What cannot be decoded is refused before its output is created, so that a file there
  // stays as it is. A method that cannot be decoded is that, whatever a password might do
  // (AES is 99).
  if (!IsSupportedMethod(method)) {
    Report(FCurrentName, "method " + std::to_string(method), zipmsg::kUnsupportedMethod);
    return;
  }
  if (!FTestOnly && NameTaken(path, shown, false, false)) return;
  ZipCrypto crypto;
  if (encrypted && !ChoosePassword(archive, member, local, storedCrc, crypto)) return;
  ++FCount;
  FMemberCounted = true;
  if (!CreateOutput(path, shown, member.sizes.uncompressedSize)) {
    Report(FCurrentName, shown + (FOutputFault.empty() ? "" : ": " + FOutputFault),
           FOutputFaultCode);
    --FCount;
    FMemberCounted = false;
    return;
  }
  FEncryptedMember = encrypted;
  bool excess = false;
  try {
    excess = Decompress(archive, member, method, encrypted ? &crypto : nullptr);
  } catch (const EZipError&) {
    // A fatal report (already passed to OnError) ends this member only.
  }
  if (FCancel) {
    // Stopped part way: no part of the member stays under any name; a file it was to replace
    // stays as it was.
    AbandonOutput();
    if (FMemberCounted) --FCount;
    FMemberCounted = false;
    if (!FTestOnly) Report(FCurrentName, shown + ": interrupted; what was written is removed",
                           zipmsg::kUserCanceled);
    return;
  }
  FinishOutput(dosTime, member.externalAttributes);
  CheckMember(storedCrc, excess);
  FEncryptedMember = false;
}

bool TUnZip::ChoosePassword(ArchiveReader& archive, const MemberEntry& member,
                            const LocalHeader& local, uint32_t storedCrc, ZipCrypto& crypto) {
  const uint16_t flags = member.central.flags;
  uint8_t stored[12];
  if (member.sizes.compressedSize < 12 || !archive.Read(member.dataOffset, stored, 12)) {
    Report(FCurrentName,
           "the data at " + At(member.dataOffset) + " cannot hold the 12-byte encryption header",
           zipmsg::kBadFileHeader);
    return false;
  }
  // The header's last byte repeats the CRC's high byte, or the time's when the sizes
  // follow the data.
  uint8_t check = (flags & zipflag::kDataDescriptor) ? uint8_t(local.time >> 8)
                                                     : uint8_t(member.central.crc32 >> 24);
  auto fits = [&](const std::string& password) {
    uint8_t header[12];
    std::copy(stored, stored + 12, header);
    ZipCrypto trial;
    trial.Init(password);
    return trial.CheckHeader(header, check);
  };
  std::vector<const std::string*> fitting;
  for (const std::string& password : Passwords)
    if (fits(password)) fitting.push_back(&password);
  for (const std::string& password : FGivenPasswords)
    if (fits(password)) fitting.push_back(&password);
  if (fitting.empty()) {
    if (!OnGetPassword) {
      Report(FCurrentName, "OnGetPassword", zipmsg::kRequiredEventNotAssigned);
      return false;
    }
    for (int attempt = 0; attempt < std::max(PasswordAttempts, 1) && !FCancel; ++attempt) {
      std::string password;
      OnGetPassword(*this, FCurrentName, password);
      if (password.empty()) break;
      if (fits(password)) {
        FGivenPasswords.push_back(password);
        fitting.push_back(&FGivenPasswords.back());
        break;
      }
    }
    if (fitting.empty()) {
      Report(FCurrentName, "", zipmsg::kNoPasswordFits);
      return false;
    }
  }
  // One wrong password in 256 passes the check byte: where more than one does, each is
  // tried on the data (nothing written, nothing reported) until one decodes to the CRC.
  size_t chosen = 0;
  for (size_t i = 0; i + 1 < fitting.size() && !FCancel; ++i)
    if (DecodesWith(archive, member, *fitting[i], storedCrc))
      break;
    else
      chosen = i + 1;
  uint8_t header[12];
  std::copy(stored, stored + 12, header);
  crypto.Init(*fitting[chosen]);
  crypto.CheckHeader(header, check);
  return true;
}

bool TUnZip::DecodesWith(ArchiveReader& archive, const MemberEntry& member,
                         const std::string& password, uint32_t storedCrc) {
  uint8_t header[12];
  if (!archive.Read(member.dataOffset, header, 12)) return false;
  ZipCrypto crypto;
  crypto.Init(password);
  crypto.CheckHeader(header, 0);
  // The trial is silent: the events are set aside and put back however it ends.
  struct SetAside {
    TUnZip& self;
    bool testOnly = self.FTestOnly;
    uint64_t progress = self.FArchiveProgress;
    TErrorEvent error = std::move(self.OnError);
    TEndEvent end = std::move(self.OnEnd);
    TProgressEvent progressed = std::move(self.OnProgress);
    ~SetAside() {
      self.FTestOnly = testOnly;
      self.FArchiveProgress = progress;
      self.OnError = std::move(error);
      self.OnEnd = std::move(end);
      self.OnProgress = std::move(progressed);
    }
  } aside{*this};
  OnError = nullptr;
  OnEnd = nullptr;
  OnProgress = nullptr;
  FTestOnly = true;
  bool pass = false;
  try {
    CreateOutput(OsPath(std::string()), std::string(), member.sizes.uncompressedSize);
    bool excess = Decompress(archive, member, member.central.method, &crypto);
    pass = CheckMember(storedCrc, excess);
  } catch (const EZipError&) {
  }
  return pass;
}

void TUnZip::CheckLocalAgainstCentral(ArchiveReader& archive, const MemberEntry& member,
                                      const LocalHeader& local, const std::string& localName) {
  const CentralHeader& c = member.central;
  std::string differs;
  auto add = [&](const char* what) {
    differs += differs.empty() ? what : std::string(", ") + what;
  };
  // The output is named after the local header: a name the directory does not list is news.
  if (localName != member.centralRawName) add("name");
  // The directory's method and flags are used; a local header that says otherwise was
  // written for other data, or damaged.
  if (local.method != c.method) add("method");
  if ((local.flags ^ c.flags) & zipflag::kEncrypted) add("encryption");
  std::string extra(local.extraLength, '\0');
  MemberSizes localSizes;
  bool extraRead = !local.extraLength ||
                   archive.Read(member.localHeaderOffset + LocalHeader::kSize + local.nameLength,
                                extra.data(), extra.size());
  if (extraRead && !ApplyZip64Extra(reinterpret_cast<const uint8_t*>(extra.data()), extra.size(),
                                    local.uncompressedSize, local.compressedSize, 0, localSizes))
    add("an extra item that runs past its field");
  // Sizes after the data, as either header says (a local header that says so alone has its
  // descriptor too, or it was written for other data).
  if ((c.flags | local.flags) & zipflag::kDataDescriptor) {
    // The descriptor after the data must say what the directory says.
    uint8_t tail[24];
    uint64_t at = member.dataOffset + member.sizes.compressedSize;
    uint64_t size = archive.Size();
    size_t avail = size > at ? size_t(std::min<uint64_t>(sizeof tail, size - at)) : 0;
    DataDescriptor d;
    if (!(avail && archive.Read(at, tail, avail) &&
          ParseDataDescriptor(tail, avail, false, member.sizes.compressedSize, &c.crc32,
                              &member.sizes.uncompressedSize, d)))
      add("data descriptor");
  } else {
    if (local.crc32 != c.crc32) add("CRC");
    // Sizes as both headers state them, Zip64 items applied.
    if (extraRead && (localSizes.compressedSize != member.statedCompressed ||
                      localSizes.uncompressedSize != member.sizes.uncompressedSize))
      add("sizes");
  }
  if (!differs.empty())
    Report(FCurrentName,
           "the local header at " + At(member.localHeaderOffset) +
               " differs from the directory: " + differs,
           zipmsg::kBadFileHeader);
}

bool TUnZip::Decompress(ArchiveReader& archive, const MemberEntry& member, uint16_t method,
                        ZipCrypto* crypto) {
  uint64_t dataOffset = member.dataOffset;
  uint64_t compressed = member.sizes.compressedSize;
  if (crypto) {
    dataOffset += 12;  // the encryption header
    compressed -= 12;
  }
  const uint64_t size = member.sizes.uncompressedSize;
  if ((method == 8 || method == 9) && !crypto) {
    // Deflated data ends by itself: it may run on to the next record, so that a compressed
    // size stated too small costs no data; it is reported all the same. (Bytes left over
    // after the data harm nothing.)
    MemberInput input(archive, dataOffset, member.room, nullptr);
    TDecompressStream stream(input, method == 9, FDecoders.get());
    bool whole = false;
    bool excess = InflateMember(stream, size, whole);
    CheckStreamEnd(stream, input.Taken() - stream.UnusedInput(), compressed, dataOffset, whole,
                   excess);
    return excess;
  }
  MemberInput input(archive, dataOffset, compressed, crypto);
  if (method == 8 || method == 9) {
    TDecompressStream stream(input, method == 9, FDecoders.get());
    bool whole = false;
    bool excess = InflateMember(stream, size, whole);
    CheckStreamEnd(stream, input.Taken() - stream.UnusedInput(), compressed, dataOffset, whole,
                   excess);
    return excess;
  }
  if (method == 0) {
    // Never more than the stated size, whatever the compressed size says.
    uint64_t left = std::min(compressed, size);
    while (left > 0 && !FCancel) {
      ProcessPendingMessages();
      if (input.avail == 0 && !input.Refill(kChunk)) break;
      size_t n = size_t(std::min<uint64_t>(input.avail, left));
      WriteOutput(input.next, n);
      input.next += n;
      input.avail -= n;
      left -= n;
    }
    return compressed > size;
  }
  LegacyContext ctx{input, compressed,
                    [&](const uint8_t* data, size_t count) {
                      ProcessPendingMessages();
                      WriteOutput(data, count);
                    },
                    [&](int code) { ReportFatal(FCurrentName, "", code); }, &FCancel};
  if (method == 1)
    Unshrink(ctx, size);
  else if (method <= 5)
    Unreduce(ctx, size, method - 1);
  else
    Explode(ctx, size, member.central.flags);
  return false;
}

bool TUnZip::InflateMember(TDecompressStream& stream, uint64_t size, bool& whole) {
  uint64_t remaining = size;
  size_t chunk = size_t(std::min<uint64_t>(remaining, kChunk));
  const uint8_t* data = nullptr;
  whole = false;
  while (remaining > 0) {
    if (FCancel) break;
    ProcessPendingMessages();
    // Pieces of at most one chunk, as ever; the decoder may work further ahead.
    size_t ahead = size_t(std::min<uint64_t>(remaining, TDecompressStream::kMaxAhead));
    int64_t n = stream.ReadView(chunk, ahead, data);
    if (n < 1) break;
    try {
      WriteOutput(data, size_t(n));
    } catch (const EZipError&) {
      return false;  // the disk is full (reported): the rest of the member has nowhere to go
    }
    remaining -= std::min<uint64_t>(remaining, chunk);
    chunk = size_t(std::min<uint64_t>(remaining, kChunk));
  }
  // (A piece may come out short where the data is damaged: what counts is what came out.)
  whole = remaining == 0 && FDecoded == size && !FCancel;
  // Data that decodes to more than the stated size is damage too; nothing of it is written.
  return whole && stream.ReadView(1, 1, data) > 0;
}

void TUnZip::CheckStreamEnd(const TDecompressStream& stream, uint64_t used, uint64_t compressed,
                            uint64_t dataOffset, bool whole, bool excess) {
  // A stream that decodes to more, or to less, is reported by the CRC check already.
  if (excess || FCancel) return;
  if (stream.Finished() && used != compressed)
    Report(FCurrentName,
           "compressed size " + std::to_string(compressed) + " stated, the deflate stream at " +
               At(dataOffset) + " takes " + std::to_string(used),
           zipmsg::kBadFileHeader);
  else if (!stream.Finished() && whole)
    Report(FCurrentName,
           "the deflate stream at " + At(dataOffset) + " does not end after the stated " +
               std::to_string(FStatedSize) + " bytes",
           zipmsg::kBadFileHeader);
}

}  // namespace ziparchive
