// On-disk ZIP records (all little-endian), DOS date/time, CRC-32 and stored-name encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ziparchive/platform/dos_date_time.h"

namespace ziparchive {

namespace zipsig {
constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndOfCentralDir = 0x06054B50;
constexpr uint32_t kDataDescriptor = 0x08074B50;
constexpr uint32_t kZip64Locator = 0x07064B50;
constexpr uint32_t kZip64EndOfCentralDir = 0x06064B50;
}  // namespace zipsig

inline uint16_t GetLE16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t GetLE32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t GetLE64(const uint8_t* p) {
  return GetLE32(p) | (uint64_t(GetLE32(p + 4)) << 32);
}
inline void PutLE16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// General purpose flag bits.
namespace zipflag {
constexpr uint16_t kEncrypted = 0x0001;
constexpr uint16_t kDeflateOptionMask = 0x0006;
constexpr uint16_t kDataDescriptor = 0x0008;
constexpr uint16_t kUtf8Name = 0x0800;
}  // namespace zipflag

struct LocalHeader {
  static constexpr size_t kSize = 30;
  uint32_t signature = zipsig::kLocalHeader;
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;

  void Read(const uint8_t* p);
  void Write(uint8_t* p) const;
  uint32_t DosDateTime() const { return (uint32_t(date) << 16) | time; }
};

struct CentralHeader {
  static constexpr size_t kSize = 46;
  uint32_t signature = zipsig::kCentralHeader;
  uint16_t versionMadeBy = 20;
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t time = 0;
  uint16_t date = 0;
  uint32_t crc32 = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint16_t nameLength = 0;
  uint16_t extraLength = 0;
  uint16_t commentLength = 0;
  uint16_t diskNumberStart = 0;
  uint16_t internalAttributes = 1;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;

  void Read(const uint8_t* p);
  void Write(uint8_t* p) const;
  uint32_t DosDateTime() const { return (uint32_t(date) << 16) | time; }
};

struct EndOfCentralDir {
  static constexpr size_t kSize = 22;
  uint32_t signature = zipsig::kEndOfCentralDir;
  uint16_t thisDisk = 0;
  uint16_t centralDirDisk = 0;
  uint16_t entriesOnDisk = 0;
  uint16_t totalEntries = 0;
  uint32_t centralDirSize = 0;
  uint32_t centralDirOffset = 0;
  uint16_t commentLength = 0;

  void Read(const uint8_t* p);
  void Write(uint8_t* p) const;
};

struct Zip64Locator {
  static constexpr size_t kSize = 20;
  uint32_t signature = zipsig::kZip64Locator;
  uint32_t endRecordDisk = 0;
  uint64_t endRecordOffset = 0;
  uint32_t totalDisks = 1;

  void Read(const uint8_t* p);
};

struct Zip64EndOfCentralDir {
  static constexpr size_t kSize = 56;
  uint32_t signature = zipsig::kZip64EndOfCentralDir;
  uint64_t recordSize = 0;
  uint32_t thisDisk = 0;
  uint32_t centralDirDisk = 0;
  uint64_t entriesOnDisk = 0;
  uint64_t totalEntries = 0;
  uint64_t centralDirSize = 0;
  uint64_t centralDirOffset = 0;

  void Read(const uint8_t* p);
};

// Sizes, offset and disk of a member once the Zip64 extra item has been applied.
struct MemberSizes {
  uint64_t uncompressedSize = 0;
  uint64_t compressedSize = 0;
  uint64_t localHeaderOffset = 0;
  uint32_t diskStart = 0;
};

// Walks an extra field; the (first) Zip64 item (id 1) replaces each field that holds all ones
// (0xFFFFFFFF, or 0xFFFF for the disk), in the order uncompressed size, compressed size, local
// header offset, disk. An item that runs past the end of the field ends the walk and makes
// the result false (fewer than 4 bytes left over, as alignment padding leaves, are no item).
bool ApplyZip64Extra(const uint8_t* extra, size_t length, uint32_t uncompressed32,
                     uint32_t compressed32, uint32_t offset32, MemberSizes& out,
                     uint16_t disk16 = 0);

// CRC-32 (IEEE, reflected). The register form starts at kCrc32Init; the value stored in
// headers is the register xor 0xFFFFFFFF.
constexpr uint32_t kCrc32Init = 0xFFFFFFFFu;
const uint32_t* Crc32Table();  // the standard 256-entry table
uint32_t Crc32Update(uint32_t reg, const void* data, size_t length);
inline uint32_t Crc32Final(uint32_t reg) {
  return reg ^ 0xFFFFFFFFu;
}
uint32_t Crc32Of(const void* data, size_t length);
// Folding on (where the processor can) or off, so that tests can hold both ways of computing
// against a reference; true when folding is now in use. It is on from the start where it can be.
bool Crc32UseFolding(bool use);
// A stored CRC passes when it equals the final value or the register before the final xor.
inline bool Crc32Accepts(uint32_t stored, uint32_t reg) {
  return stored == Crc32Final(reg) || stored == reg;
}

// Stored name <-> name as the engine uses it ("\" separators, ANSI code page).
std::string EncodeStoredName(std::string_view name, bool translateOem);
std::string DecodeStoredName(std::string_view stored, bool translateOem);

}  // namespace ziparchive
