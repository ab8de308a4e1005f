#include "ziparchive/archive/zip_directory.h"

#include <algorithm>
#include <vector>

#include "ziparchive/archive/archive_reader.h"

namespace ziparchive {

namespace {
// Reads as much as it can from pos; returns the count.
size_t ReadSome(OsFile& f, uint64_t pos, void* buf, size_t count) {
  return f.Seek(pos) ? OsReadFull(f, buf, count) : 0;
}

bool ReadAt(OsFile& f, uint64_t pos, void* buf, size_t count) {
  return ReadSome(f, pos, buf, count) == count;
}

constexpr size_t kScanBlock = 32768;
constexpr uint32_t kDigitalSignature = 0x05054B50u;
}  // namespace

namespace {
// Whether the end record at endPos (its 22 bytes in rec) leads to a directory: fills `out`
// with what it says either way.
bool TryEndRecord(OsFile& archive, uint64_t fileSize, uint64_t endPos, const uint8_t* rec,
                  CentralDirLocation& out) {
  out = CentralDirLocation{};
  out.endRecordFound = true;
  out.endRecordPosition = endPos;
  out.endRecord.Read(rec);

  uint64_t start = 0;
  bool startKnown = false;
  uint8_t loc[Zip64Locator::kSize];
  uint8_t z64[Zip64EndOfCentralDir::kSize];
  if (endPos >= 76 && ReadAt(archive, endPos - 20, loc, sizeof loc) &&
      GetLE32(loc) == zipsig::kZip64Locator && ReadAt(archive, endPos - 76, z64, 4) &&
      GetLE32(z64) == zipsig::kZip64EndOfCentralDir) {
    Zip64Locator locator;
    locator.Read(loc);
    if (locator.endRecordOffset <= endPos - Zip64EndOfCentralDir::kSize &&
        ReadAt(archive, locator.endRecordOffset, z64, sizeof z64) &&
        GetLE32(z64) == zipsig::kZip64EndOfCentralDir) {
      Zip64EndOfCentralDir rec64;
      rec64.Read(z64);
      if (rec64.centralDirSize <= locator.endRecordOffset) {
        start = locator.endRecordOffset - rec64.centralDirSize;
        startKnown = true;
        out.zip64 = true;
        out.centralDirEnd = locator.endRecordOffset;
        out.expectedEntries = rec64.totalEntries;
        out.entriesOnDisk = rec64.entriesOnDisk;
        out.storedStart = rec64.centralDirOffset;
        out.storedSize = rec64.centralDirSize;
        out.thisDisk = rec64.thisDisk;
        out.centralDirDisk = rec64.centralDirDisk;
        out.zip64RecordDisk = locator.endRecordDisk;
        out.zip64Disks = locator.totalDisks;
        out.zip64RecordSize = rec64.recordSize;
        out.zip64RecordRoom = endPos - Zip64Locator::kSize - locator.endRecordOffset - 12;
      }
    }
  }
  if (!startKnown && out.endRecord.centralDirSize <= endPos) {
    start = endPos - out.endRecord.centralDirSize;
    startKnown = true;
    out.centralDirEnd = endPos;
    out.expectedEntries = out.endRecord.totalEntries;
    out.entriesOnDisk = out.endRecord.entriesOnDisk;
    out.storedStart = out.endRecord.centralDirOffset;
    out.storedSize = out.endRecord.centralDirSize;
    out.thisDisk = out.endRecord.thisDisk;
    out.centralDirDisk = out.endRecord.centralDirDisk;
  }
  if (!startKnown) return false;
  auto centralAt = [&](uint64_t pos) {
    uint8_t head[4];
    return ReadAt(archive, pos, head, sizeof head) && GetLE32(head) == zipsig::kCentralHeader;
  };
  if (start < out.centralDirEnd && centralAt(start)) {
    out.centralDirStart = start;
    out.found = true;
  } else if (start == out.centralDirEnd && out.expectedEntries == 0) {
    out.centralDirStart = start;  // an empty archive
    out.found = true;
  } else if (out.storedStart < out.centralDirEnd && out.storedStart != start &&
             centralAt(out.storedStart)) {
    out.centralDirStart = out.storedStart;
    out.sizeDisagrees = true;
    out.found = true;
  }
  return out.found;
}
}  // namespace

bool LocateCentralDirectory(OsFile& archive, CentralDirLocation& out) {
  out = CentralDirLocation{};
  int64_t size = archive.Size();
  if (size <= 0) return false;
  uint64_t fileSize = uint64_t(size);
  // The end record is followed by at most a 65,535-byte comment.
  constexpr uint64_t kEndSearch = 65535 + EndOfCentralDir::kSize;
  size_t tail = size_t(std::min<uint64_t>(fileSize, kEndSearch));
  std::vector<uint8_t> buf(tail);
  uint64_t tailStart = fileSize - tail;
  if (ReadSome(archive, tailStart, buf.data(), tail) != tail) return false;
  auto signatureAt = [&](size_t i) { return GetLE32(&buf[i]) == zipsig::kEndOfCentralDir; };

  // The last occurrence of the signature counts, even inside a comment, and so does every
  // earlier one whose comment runs exactly to the end of the file, for which the later ones
  // are comment text.
  auto whole = [&](size_t i) { return tail - i >= EndOfCentralDir::kSize; };
  auto endsTheFile = [&](size_t i) {
    return whole(i) && i + EndOfCentralDir::kSize + GetLE16(&buf[i + 20]) == tail;
  };
  // What a directory that leads somewhere is worth: it stands where the end record places
  // it (or, with entries, behind data put in front of the archive), then the comment ends
  // with the file, then the earlier record (it holds the later ones in its comment).
  auto rank = [](const CentralDirLocation& where, bool ends) {
    bool placed = !where.sizeDisagrees &&
                  (where.storedStart == where.centralDirStart ||
                   (where.storedStart < where.centralDirStart && where.expectedEntries > 0));
    return (placed ? 2 : 0) + (ends ? 1 : 0);
  };
  bool chosen = false, reported = false;
  int chosenRank = -1;
  bool last = true;
  for (size_t i = tail >= 4 ? tail - 4 + 1 : 0; i-- > 0;) {
    if (!signatureAt(i)) continue;
    const bool ends = endsTheFile(i);
    if (last || ends) {
      CentralDirLocation tried;
      if (whole(i) && TryEndRecord(archive, fileSize, tailStart + i, &buf[i], tried)) {
        int r = rank(tried, ends);
        if (r >= chosenRank) {  // equal: the earlier one
          out = std::move(tried);
          chosenRank = r;
          chosen = true;
        }
      } else if (!chosen && !reported && whole(i)) {
        out = std::move(tried);  // kept to say what was found
        reported = true;
      }
    }
    last = false;
  }
  if (chosen) {
    const size_t at = size_t(out.endRecordPosition - tailStart);
    const size_t commentLen =
        std::min<size_t>(out.endRecord.commentLength, tail - at - EndOfCentralDir::kSize);
    out.comment.assign(reinterpret_cast<const char*>(&buf[at + EndOfCentralDir::kSize]),
                       commentLen);
    return true;
  }
  out.found = false;

  // Local-header mode: the first "P" that begins a local signature, within four blocks.
  std::vector<uint8_t> block(kScanBlock + 3);
  size_t blockLen = std::max<size_t>(std::min<size_t>(tail, kScanBlock), 1);
  for (int n = 0; n < 4; ++n) {
    uint64_t pos = uint64_t(n) * blockLen;
    if (pos >= fileSize) break;
    size_t want = std::min<size_t>(blockLen + 3, block.size());
    size_t got = ReadSome(archive, pos, block.data(), want);
    for (size_t i = 0; i + 4 <= got && i < blockLen; ++i) {
      if (block[i] == 'P' && GetLE32(&block[i]) == zipsig::kLocalHeader) {
        out.localScanStart = pos + i;
        out.localSignatureFound = true;
        return false;
      }
    }
  }
  return false;
}

WalkResult WalkCentralDirectory(OsFile& archive, uint64_t start, uint64_t limit,
                                const std::function<bool(const CentralEntry&)>& visit) {
  WalkResult result;
  uint64_t pos = start;
  int64_t fileSize = archive.Size();
  if (fileSize >= 0 && limit > uint64_t(fileSize)) limit = uint64_t(fileSize);
  // The entries lie one after another: read them a block at a time.
  ArchiveReader directory(archive, limit, 65536);
  CentralEntry e;
  for (;;) {
    result.endPosition = pos;
    if (pos > limit || limit - pos < 6) break;
    uint8_t head[CentralHeader::kSize];
    if (!directory.Read(pos, head, 6)) break;
    if (GetLE32(head) == kDigitalSignature) {
      // The record that may close the directory: its data length follows the signature.
      uint64_t length = 6 + uint64_t(GetLE16(head + 4));
      if (length <= limit - pos) result.endPosition = pos + length;
      break;
    }
    if (limit - pos < CentralHeader::kSize || !directory.Read(pos, head, sizeof head) ||
        GetLE32(head) != zipsig::kCentralHeader)
      break;
    e.header.Read(head);
    e.recordPosition = pos;
    uint64_t varLen = uint64_t(e.header.nameLength) + e.header.extraLength + e.header.commentLength;
    if (varLen > limit - pos - CentralHeader::kSize) break;
    e.rawName.assign(e.header.nameLength, '\0');
    e.extra.assign(e.header.extraLength, '\0');
    e.comment.assign(e.header.commentLength, '\0');
    uint64_t p = pos + CentralHeader::kSize;
    if ((e.header.nameLength && !directory.Read(p, e.rawName.data(), e.rawName.size())) ||
        (e.header.extraLength &&
         !directory.Read(p + e.header.nameLength, e.extra.data(), e.extra.size())) ||
        (e.header.commentLength && !directory.Read(p + e.header.nameLength + e.header.extraLength,
                                                   e.comment.data(), e.comment.size())))
      break;
    e.extraFits = ApplyZip64Extra(reinterpret_cast<const uint8_t*>(e.extra.data()), e.extra.size(),
                                  e.header.uncompressedSize, e.header.compressedSize,
                                  e.header.localHeaderOffset, e.sizes, e.header.diskNumberStart);
    ++result.entries;
    pos += CentralHeader::kSize + varLen;
    result.endPosition = pos;
    if (!visit(e)) {
      result.stopped = true;
      break;
    }
  }
  return result;
}

std::string PlainEndRecordMismatch(const CentralDirLocation& where) {
  if (!where.zip64) return std::string();
  const EndOfCentralDir& e = where.endRecord;
  std::string differs;
  auto check = [&](uint64_t plain, uint64_t all, uint64_t wide, const char* what) {
    if (plain != all && plain != wide) differs += std::string(differs.empty() ? "" : ", ") + what;
  };
  check(e.thisDisk, 0xFFFF, where.thisDisk, "disk");
  check(e.centralDirDisk, 0xFFFF, where.centralDirDisk, "directory disk");
  check(e.entriesOnDisk, 0xFFFF, where.entriesOnDisk, "entries on this disk");
  check(e.totalEntries, 0xFFFF, where.expectedEntries, "entries");
  check(e.centralDirSize, 0xFFFFFFFFu, where.storedSize, "directory size");
  check(e.centralDirOffset, 0xFFFFFFFFu, where.storedStart, "directory offset");
  return differs;
}

std::string DirectoryMismatch(const CentralDirLocation& where, const WalkResult& walk) {
  bool countAgrees = where.zip64 ? walk.entries == where.expectedEntries
                                 : (walk.entries & 0xFFFF) == (where.expectedEntries & 0xFFFF);
  if (walk.endPosition == where.centralDirEnd && countAgrees) return std::string();
  std::string text = "central directory: " + std::to_string(walk.entries) + " of " +
                     std::to_string(where.expectedEntries) + " entries read";
  if (walk.endPosition != where.centralDirEnd)
    text += ", no entry can be read at offset " + std::to_string(walk.endPosition) +
            " (the directory ends at offset " + std::to_string(where.centralDirEnd) + ")";
  return text;
}

bool ParseDataDescriptor(const uint8_t* p, size_t avail, bool zip64First, uint64_t compressed,
                         const uint32_t* crc, const uint64_t* uncompressed, DataDescriptor& out) {
  const bool signature = avail >= 4 && GetLE32(p) == zipsig::kDataDescriptor;
  for (int form = 0; form < 4; ++form) {
    bool withSignature = form < 2;
    bool wide = (form % 2 == 0) == zip64First;
    if (withSignature && !signature) continue;
    size_t at = withSignature ? 4 : 0;
    size_t length = at + (wide ? 20 : 12);
    if (avail < length) continue;
    DataDescriptor d;
    d.crc32 = GetLE32(p + at);
    d.compressedSize = wide ? GetLE64(p + at + 4) : GetLE32(p + at + 4);
    d.uncompressedSize = wide ? GetLE64(p + at + 12) : GetLE32(p + at + 8);
    d.length = length;
    if (d.compressedSize != (wide ? compressed : (compressed & 0xFFFFFFFFu))) continue;
    if (crc && d.crc32 != *crc) continue;
    if (uncompressed && d.uncompressedSize != *uncompressed) continue;
    out = d;
    return true;
  }
  return false;
}

bool HasZip64Extra(const uint8_t* extra, size_t length) {
  for (size_t pos = 0; pos + 4 <= length;) {
    uint16_t id = GetLE16(extra + pos);
    uint16_t size = GetLE16(extra + pos + 2);
    if (id == 0x0001) return true;
    pos += 4 + size_t(size);
  }
  return false;
}

}  // namespace ziparchive
