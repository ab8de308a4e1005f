#include "ziparchive/records/zip_records.h"

#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

void LocalHeader::Read(const uint8_t* p) {
  signature = GetLE32(p);
  versionNeeded = GetLE16(p + 4);
  flags = GetLE16(p + 6);
  method = GetLE16(p + 8);
  time = GetLE16(p + 10);
  date = GetLE16(p + 12);
  crc32 = GetLE32(p + 14);
  compressedSize = GetLE32(p + 18);
  uncompressedSize = GetLE32(p + 22);
  nameLength = GetLE16(p + 26);
  extraLength = GetLE16(p + 28);
}

void LocalHeader::Write(uint8_t* p) const {
  PutLE32(p, signature);
  PutLE16(p + 4, versionNeeded);
  PutLE16(p + 6, flags);
  PutLE16(p + 8, method);
  PutLE16(p + 10, time);
  PutLE16(p + 12, date);
  PutLE32(p + 14, crc32);
  PutLE32(p + 18, compressedSize);
  PutLE32(p + 22, uncompressedSize);
  PutLE16(p + 26, nameLength);
  PutLE16(p + 28, extraLength);
}

void CentralHeader::Read(const uint8_t* p) {
  signature = GetLE32(p);
  versionMadeBy = GetLE16(p + 4);
  versionNeeded = GetLE16(p + 6);
  flags = GetLE16(p + 8);
  method = GetLE16(p + 10);
  time = GetLE16(p + 12);
  date = GetLE16(p + 14);
  crc32 = GetLE32(p + 16);
  compressedSize = GetLE32(p + 20);
  uncompressedSize = GetLE32(p + 24);
  nameLength = GetLE16(p + 28);
  extraLength = GetLE16(p + 30);
  commentLength = GetLE16(p + 32);
  diskNumberStart = GetLE16(p + 34);
  internalAttributes = GetLE16(p + 36);
  externalAttributes = GetLE32(p + 38);
  localHeaderOffset = GetLE32(p + 42);
}

void CentralHeader::Write(uint8_t* p) const {
  PutLE32(p, signature);
  PutLE16(p + 4, versionMadeBy);
  PutLE16(p + 6, versionNeeded);
  PutLE16(p + 8, flags);
  PutLE16(p + 10, method);
  PutLE16(p + 12, time);
  PutLE16(p + 14, date);
  PutLE32(p + 16, crc32);
  PutLE32(p + 20, compressedSize);
  PutLE32(p + 24, uncompressedSize);
  PutLE16(p + 28, nameLength);
  PutLE16(p + 30, extraLength);
  PutLE16(p + 32, commentLength);
  PutLE16(p + 34, diskNumberStart);
  PutLE16(p + 36, internalAttributes);
  PutLE32(p + 38, externalAttributes);
  PutLE32(p + 42, localHeaderOffset);
}

void EndOfCentralDir::Read(const uint8_t* p) {
  signature = GetLE32(p);
  thisDisk = GetLE16(p + 4);
  centralDirDisk = GetLE16(p + 6);
  entriesOnDisk = GetLE16(p + 8);
  totalEntries = GetLE16(p + 10);
  centralDirSize = GetLE32(p + 12);
  centralDirOffset = GetLE32(p + 16);
  commentLength = GetLE16(p + 20);
}

void EndOfCentralDir::Write(uint8_t* p) const {
  PutLE32(p, signature);
  PutLE16(p + 4, thisDisk);
  PutLE16(p + 6, centralDirDisk);
  PutLE16(p + 8, entriesOnDisk);
  PutLE16(p + 10, totalEntries);
  PutLE32(p + 12, centralDirSize);
  PutLE32(p + 16, centralDirOffset);
  PutLE16(p + 20, commentLength);
}

void Zip64Locator::Read(const uint8_t* p) {
  signature = GetLE32(p);
  endRecordDisk = GetLE32(p + 4);
  endRecordOffset = GetLE64(p + 8);
  totalDisks = GetLE32(p + 16);
}

void Zip64EndOfCentralDir::Read(const uint8_t* p) {
  signature = GetLE32(p);
  recordSize = GetLE64(p + 4);
  thisDisk = GetLE32(p + 16);
  centralDirDisk = GetLE32(p + 20);
  entriesOnDisk = GetLE64(p + 24);
  totalEntries = GetLE64(p + 32);
  centralDirSize = GetLE64(p + 40);
  centralDirOffset = GetLE64(p + 48);
}

bool ApplyZip64Extra(const uint8_t* extra, size_t length, uint32_t uncompressed32,
                     uint32_t compressed32, uint32_t offset32, MemberSizes& out, uint16_t disk16) {
  out.uncompressedSize = uncompressed32;
  out.compressedSize = compressed32;
  out.localHeaderOffset = offset32;
  out.diskStart = disk16;
  size_t pos = 0;
  bool zip64Seen = false;  // a second Zip64 item is not read, as by other tools
  while (pos + 4 <= length) {
    uint16_t id = GetLE16(extra + pos);
    uint16_t size = GetLE16(extra + pos + 2);
    pos += 4;
    if (size > length - pos) return false;
    if (id == 0x0001 && !zip64Seen) {
      zip64Seen = true;
      const uint8_t* d = extra + pos;
      size_t left = size;
      auto take = [&](bool saturated, size_t width, auto& target) {
        if (!saturated || left < width) return;
        target = width == 8 ? GetLE64(d) : GetLE32(d);
        d += width;
        left -= width;
      };
      take(uncompressed32 == 0xFFFFFFFFu, 8, out.uncompressedSize);
      take(compressed32 == 0xFFFFFFFFu, 8, out.compressedSize);
      take(offset32 == 0xFFFFFFFFu, 8, out.localHeaderOffset);
      take(disk16 == 0xFFFF, 4, out.diskStart);
    }
    pos += size;
  }
  return true;
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
