#include "ziparchive/records/zip_records.h"

#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

void LocalHeader::Read(const uint8_t* p) {
  Signature = GetLE32(p);
  VersionNeeded = GetLE16(p + 4);
  Flags = GetLE16(p + 6);
  Method = GetLE16(p + 8);
  Time = GetLE16(p + 10);
  Date = GetLE16(p + 12);
  Crc32 = GetLE32(p + 14);
  CompressedSize = GetLE32(p + 18);
  UncompressedSize = GetLE32(p + 22);
  NameLength = GetLE16(p + 26);
  ExtraLength = GetLE16(p + 28);
}

void LocalHeader::Write(uint8_t* p) const {
  PutLE32(p, Signature);
  PutLE16(p + 4, VersionNeeded);
  PutLE16(p + 6, Flags);
  PutLE16(p + 8, Method);
  PutLE16(p + 10, Time);
  PutLE16(p + 12, Date);
  PutLE32(p + 14, Crc32);
  PutLE32(p + 18, CompressedSize);
  PutLE32(p + 22, UncompressedSize);
  PutLE16(p + 26, NameLength);
  PutLE16(p + 28, ExtraLength);
}

void CentralHeader::Read(const uint8_t* p) {
  Signature = GetLE32(p);
  VersionMadeBy = GetLE16(p + 4);
  VersionNeeded = GetLE16(p + 6);
  Flags = GetLE16(p + 8);
  Method = GetLE16(p + 10);
  Time = GetLE16(p + 12);
  Date = GetLE16(p + 14);
  Crc32 = GetLE32(p + 16);
  CompressedSize = GetLE32(p + 20);
  UncompressedSize = GetLE32(p + 24);
  NameLength = GetLE16(p + 28);
  ExtraLength = GetLE16(p + 30);
  CommentLength = GetLE16(p + 32);
  DiskNumberStart = GetLE16(p + 34);
  InternalAttributes = GetLE16(p + 36);
  ExternalAttributes = GetLE32(p + 38);
  LocalHeaderOffset = GetLE32(p + 42);
}

void CentralHeader::Write(uint8_t* p) const {
  PutLE32(p, Signature);
  PutLE16(p + 4, VersionMadeBy);
  PutLE16(p + 6, VersionNeeded);
  PutLE16(p + 8, Flags);
  PutLE16(p + 10, Method);
  PutLE16(p + 12, Time);
  PutLE16(p + 14, Date);
  PutLE32(p + 16, Crc32);
  PutLE32(p + 20, CompressedSize);
  PutLE32(p + 24, UncompressedSize);
  PutLE16(p + 28, NameLength);
  PutLE16(p + 30, ExtraLength);
  PutLE16(p + 32, CommentLength);
  PutLE16(p + 34, DiskNumberStart);
  PutLE16(p + 36, InternalAttributes);
  PutLE32(p + 38, ExternalAttributes);
  PutLE32(p + 42, LocalHeaderOffset);
}

void EndOfCentralDir::Read(const uint8_t* p) {
  Signature = GetLE32(p);
  ThisDisk = GetLE16(p + 4);
  CentralDirDisk = GetLE16(p + 6);
  EntriesOnDisk = GetLE16(p + 8);
  TotalEntries = GetLE16(p + 10);
  CentralDirSize = GetLE32(p + 12);
  CentralDirOffset = GetLE32(p + 16);
  CommentLength = GetLE16(p + 20);
}

void EndOfCentralDir::Write(uint8_t* p) const {
  PutLE32(p, Signature);
  PutLE16(p + 4, ThisDisk);
  PutLE16(p + 6, CentralDirDisk);
  PutLE16(p + 8, EntriesOnDisk);
  PutLE16(p + 10, TotalEntries);
  PutLE32(p + 12, CentralDirSize);
  PutLE32(p + 16, CentralDirOffset);
  PutLE16(p + 20, CommentLength);
}

void Zip64Locator::Read(const uint8_t* p) {
  Signature = GetLE32(p);
  EndRecordDisk = GetLE32(p + 4);
  EndRecordOffset = GetLE64(p + 8);
  TotalDisks = GetLE32(p + 16);
}

void Zip64EndOfCentralDir::Read(const uint8_t* p) {
  Signature = GetLE32(p);
  RecordSize = GetLE64(p + 4);
  TotalEntries = GetLE64(p + 32);
  CentralDirSize = GetLE64(p + 40);
  CentralDirOffset = GetLE64(p + 48);
}

void ApplyZip64Extra(const uint8_t* extra, size_t length, uint32_t uncompressed32,
                     uint32_t compressed32, uint32_t offset32, MemberSizes& out) {
  out.UncompressedSize = uncompressed32;
  out.CompressedSize = compressed32;
  out.LocalHeaderOffset = offset32;
  size_t pos = 0;
  while (pos + 4 <= length) {
    uint16_t id = GetLE16(extra + pos);
    uint16_t size = GetLE16(extra + pos + 2);
    pos += 4;
    if (size > length - pos) break;
    if (id == 0x0001) {
      const uint8_t* d = extra + pos;
      size_t left = size;
      auto take = [&](uint32_t field, uint64_t& target) {
        if (field != 0xFFFFFFFFu) return;
        if (left < 8) return;
        target = GetLE64(d);
        d += 8;
        left -= 8;
      };
      take(uncompressed32, out.UncompressedSize);
      take(compressed32, out.CompressedSize);
      take(offset32, out.LocalHeaderOffset);
    }
    pos += size;
  }
}

std::string EncodeStoredName(std::string_view name, bool translateOem) {
  std::string s(name);
  for (char& c : s)
    if (c == '\\') c = '/';
  if (translateOem) s = OsAnsiToOem(s);
  return s;
}

std::string DecodeStoredName(std::string_view stored, bool translateOem) {
  std::string s(stored);
  if (translateOem) s = OsOemToAnsi(s);
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

}  // namespace ziparchive
