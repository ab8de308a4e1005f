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

bool LocateCentralDirectory(OsFile& archive, CentralDirLocation& out) {
  out = CentralDirLocation{};
  int64_t size = archive.Size();
  if (size <= 0) return false;
  uint64_t fileSize = uint64_t(size);
  // The end record is followed by at most a 65,535-byte comment.
  constexpr uint64_t kEndSearch = 65535 + EndOfCentralDir::kSize;
  size_t tail = fileSize <= kEndSearch ? size_t(fileSize - 1) : size_t(kEndSearch);
  std::vector<uint8_t> buf(tail);
  uint64_t tailStart = fileSize - tail;
  if (tail > 0 && ReadSome(archive, tailStart, buf.data(), tail) != tail) return false;

  // The last occurrence of the signature in the file wins, even inside a comment.
  for (size_t i = tail >= 4 ? tail - 4 + 1 : 0; i-- > 0;) {
    if (GetLE32(&buf[i]) != zipsig::kEndOfCentralDir) continue;
    uint64_t endPos = tailStart + i;
    uint8_t rec[EndOfCentralDir::kSize] = {};
    size_t got = ReadSome(archive, endPos, rec, sizeof rec);
    if (got < EndOfCentralDir::kSize) continue;  // a truncated record cannot be used
    out.EndRecordFound = true;
    out.EndRecordPosition = endPos;
    out.EndRecord.Read(rec);
    uint64_t commentAvail = fileSize - endPos - EndOfCentralDir::kSize;
    size_t commentLen = size_t(std::min<uint64_t>(out.EndRecord.CommentLength, commentAvail));
    out.Comment.assign(commentLen, '\0');
    if (commentLen) ReadSome(archive, endPos + EndOfCentralDir::kSize, out.Comment.data(), commentLen);

    uint64_t start = 0;
    bool startKnown = false;
    if (endPos >= 20) {
      uint8_t loc[Zip64Locator::kSize];
      uint8_t z64[Zip64EndOfCentralDir::kSize];
      if (endPos >= 76 && ReadAt(archive, endPos - 20, loc, sizeof loc) &&
          GetLE32(loc) == zipsig::kZip64Locator &&
          ReadAt(archive, endPos - 76, z64, 4) && GetLE32(z64) == zipsig::kZip64EndOfCentralDir) {
        Zip64Locator locator;
        locator.Read(loc);
        if (locator.EndRecordOffset <= endPos - Zip64EndOfCentralDir::kSize &&
            ReadAt(archive, locator.EndRecordOffset, z64, sizeof z64) &&
            GetLE32(z64) == zipsig::kZip64EndOfCentralDir) {
          Zip64EndOfCentralDir rec64;
          rec64.Read(z64);
          if (rec64.CentralDirSize <= locator.EndRecordOffset) {
            start = locator.EndRecordOffset - rec64.CentralDirSize;
            startKnown = true;
            out.Zip64 = true;
            out.CentralDirEnd = locator.EndRecordOffset;
            out.ExpectedEntries = rec64.TotalEntries;
          }
        }
      }
    }
    if (!startKnown && out.EndRecord.CentralDirSize <= endPos) {
      start = endPos - out.EndRecord.CentralDirSize;
      startKnown = true;
      out.CentralDirEnd = endPos;
      out.ExpectedEntries = out.EndRecord.TotalEntries;
    }
    if (startKnown) {
      uint8_t head[CentralHeader::kSize];
      if (ReadAt(archive, start, head, sizeof head) && GetLE32(head) == zipsig::kCentralHeader) {
        out.CentralDirStart = start;
        out.Found = true;
        return true;
      }
    }
    break;  // only the last end record counts
  }

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
        out.LocalScanStart = pos + i;
        out.LocalSignatureFound = true;
        return false;
      }
    }
  }
  return false;
}

bool FindAnyEndRecord(OsFile& archive, uint64_t& entries) {
  int64_t size = archive.Size();
  if (size < int64_t(EndOfCentralDir::kSize)) return false;
  size_t tail = size_t(std::min<int64_t>(size, 65535 + EndOfCentralDir::kSize));
  std::vector<uint8_t> buf(tail);
  if (ReadSome(archive, uint64_t(size) - tail, buf.data(), tail) != tail) return false;
  for (size_t i = tail - EndOfCentralDir::kSize + 1; i-- > 0;) {
    if (GetLE32(&buf[i]) != zipsig::kEndOfCentralDir) continue;
    EndOfCentralDir end;
    end.Read(&buf[i]);
    entries = end.TotalEntries;
    return true;
  }
  return false;
}

bool EndRecordInComment(OsFile& archive, uint64_t endRecordPosition) {
  int64_t size = archive.Size();
  if (size < 0 || endRecordPosition > uint64_t(size)) return false;
  uint64_t from = endRecordPosition > 65535 + EndOfCentralDir::kSize ? endRecordPosition - 65535 - EndOfCentralDir::kSize : 0;
  size_t span = size_t(endRecordPosition - from);
  std::vector<uint8_t> buf(span);
  if (span < EndOfCentralDir::kSize || ReadSome(archive, from, buf.data(), span) != span) return false;
  for (size_t i = span - EndOfCentralDir::kSize + 1; i-- > 0;)
    if (GetLE32(&buf[i]) == zipsig::kEndOfCentralDir &&
        from + i + EndOfCentralDir::kSize + GetLE16(&buf[i + 20]) == uint64_t(size))
      return true;
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
    result.EndPosition = pos;
    if (pos > limit || limit - pos < 6) break;
    uint8_t head[CentralHeader::kSize];
    if (!directory.Read(pos, head, 6)) break;
    if (GetLE32(head) == kDigitalSignature) {
      // The record that may close the directory: its data length follows the signature.
      uint64_t length = 6 + uint64_t(GetLE16(head + 4));
      if (length <= limit - pos) result.EndPosition = pos + length;
      break;
    }
    if (limit - pos < CentralHeader::kSize || !directory.Read(pos, head, sizeof head) ||
        GetLE32(head) != zipsig::kCentralHeader)
      break;
    e.Header.Read(head);
    e.RecordPosition = pos;
    uint64_t varLen = uint64_t(e.Header.NameLength) + e.Header.ExtraLength + e.Header.CommentLength;
    if (varLen > limit - pos - CentralHeader::kSize) break;
    e.RawName.assign(e.Header.NameLength, '\0');
    e.Extra.assign(e.Header.ExtraLength, '\0');
    e.Comment.assign(e.Header.CommentLength, '\0');
    uint64_t p = pos + CentralHeader::kSize;
    if ((e.Header.NameLength && !directory.Read(p, e.RawName.data(), e.RawName.size())) ||
        (e.Header.ExtraLength && !directory.Read(p + e.Header.NameLength, e.Extra.data(), e.Extra.size())) ||
        (e.Header.CommentLength &&
         !directory.Read(p + e.Header.NameLength + e.Header.ExtraLength, e.Comment.data(), e.Comment.size())))
      break;
    ApplyZip64Extra(reinterpret_cast<const uint8_t*>(e.Extra.data()), e.Extra.size(),
                    e.Header.UncompressedSize, e.Header.CompressedSize, e.Header.LocalHeaderOffset,
                    e.Sizes);
    ++result.Entries;
    pos += CentralHeader::kSize + varLen;
    result.EndPosition = pos;
    if (!visit(e)) {
      result.Stopped = true;
      break;
    }
  }
  return result;
}

std::string DirectoryMismatch(const CentralDirLocation& where, const WalkResult& walk) {
  bool countAgrees = where.Zip64 ? walk.Entries == where.ExpectedEntries
                                 : (walk.Entries & 0xFFFF) == (where.ExpectedEntries & 0xFFFF);
  if (walk.EndPosition == where.CentralDirEnd && countAgrees) return std::string();
  std::string text = "central directory: " + std::to_string(walk.Entries) + " of " +
                     std::to_string(where.ExpectedEntries) + " entries read";
  if (walk.EndPosition != where.CentralDirEnd)
    text += ", no entry can be read at offset " + std::to_string(walk.EndPosition) +
            " (the directory ends at offset " + std::to_string(where.CentralDirEnd) + ")";
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
    d.Crc32 = GetLE32(p + at);
    d.CompressedSize = wide ? GetLE64(p + at + 4) : GetLE32(p + at + 4);
    d.UncompressedSize = wide ? GetLE64(p + at + 12) : GetLE32(p + at + 8);
    d.Length = length;
    if (d.CompressedSize != (wide ? compressed : (compressed & 0xFFFFFFFFu))) continue;
    if (crc && d.Crc32 != *crc) continue;
    if (uncompressed && d.UncompressedSize != *uncompressed) continue;
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
