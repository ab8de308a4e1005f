// Finding and walking an archive's central directory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ziparchive/platform/zip_platform.h"
#include "ziparchive/records/zip_records.h"

namespace ziparchive {

struct CentralDirLocation {
  bool found = false;           // a central header stands where the end record says
  bool endRecordFound = false;  // an end record was found at all (a whole one)
  bool zip64 = false;
  uint64_t endRecordPosition = 0;
  uint64_t centralDirStart = 0;
  // What the end record (or the Zip64 one) says of the directory: where it ends and how
  // many entries it holds (the 16-bit count of a plain end record wraps), where it starts
  // and on which disks.
  uint64_t centralDirEnd = 0;
  uint64_t expectedEntries = 0;
  uint64_t entriesOnDisk = 0;
  uint64_t storedStart = 0;
  uint64_t storedSize = 0;
  uint32_t thisDisk = 0, centralDirDisk = 0;
  uint32_t zip64RecordDisk = 0;  // the locator's disk of the Zip64 record
  uint32_t zip64Disks = 0;       // the locator's number of disks (writers put 0 or 1)
  // The Zip64 end record's own size field (the bytes after it) against the bytes that stand
  // between it and its locator, which it must fill exactly.
  uint64_t zip64RecordSize = 0, zip64RecordRoom = 0;
  // The directory was found at its stored offset, not where its stated size puts it.
  bool sizeDisagrees = false;
  EndOfCentralDir endRecord;
  std::string comment;          // the archive comment (as far as the file holds it)
  uint64_t localScanStart = 0;  // local-header mode: where member data begins
  bool localSignatureFound = false;
};

// Looks at the end of the file for the end record and checks that a central header starts
// where it points: the directory is taken to end right before the end record (or the Zip64
// one), and only where its stated size leads to none is the stored offset tried. The last end
// record in the file counts, and so does an earlier one whose comment runs exactly to the end
// of the file (the later ones are then its comment's text); of these, one that places its
// directory where it stands (or, with entries, behind data in front of the archive) wins over
// one that does not, then one whose comment ends with the file, then the earliest. An end
// record listing no entries needs no directory. When all that fails, finds where
// local-header mode starts.
bool LocateCentralDirectory(OsFile& archive, CentralDirLocation& out);

struct CentralEntry {
  CentralHeader header;
  std::string rawName;  // bytes as stored
  std::string extra;
  std::string comment;
  MemberSizes sizes;      // 64-bit values after the Zip64 item
  bool extraFits = true;  // no extra item runs past the field
  uint64_t recordPosition = 0;
};

struct WalkResult {
  uint64_t entries = 0;      // entries visited
  uint64_t endPosition = 0;  // where the next entry would have started
  bool stopped = false;      // visit asked to stop
};

// Walks central headers from start while they carry the central signature and lie wholly
// before `limit`; visit returns false to stop early.
WalkResult WalkCentralDirectory(OsFile& archive, uint64_t start, uint64_t limit,
                                const std::function<bool(const CentralEntry&)>& visit);
// Empty when a Zip64 archive's plain end record says what its Zip64 record says, or "see
// there" (all ones), field by field; otherwise which fields differ, for ExtendedMsg.
std::string PlainEndRecordMismatch(const CentralDirLocation& where);
// Empty when a finished walk ends where the end record says the directory ends, with the
// number of entries it lists; otherwise what differs, with the offset, for ExtendedMsg.
std::string DirectoryMismatch(const CentralDirLocation& where, const WalkResult& walk);

struct DataDescriptor {
  uint32_t crc32 = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  size_t length = 0;  // 12, 16, 20 or 24 bytes
};
// The descriptor that follows a member's data (p: up to 24 bytes from there). Of its four
// forms (with or without signature, 32- or 64-bit sizes; the 64-bit ones first when the
// member has a Zip64 item) the first whose compressed size is `compressed` and whose CRC
// and uncompressed size agree where given is taken; false when none fits.
bool ParseDataDescriptor(const uint8_t* p, size_t avail, bool zip64First, uint64_t compressed,
                         const uint32_t* crc, const uint64_t* uncompressed, DataDescriptor& out);
// Whether an extra field holds a Zip64 item.
bool HasZip64Extra(const uint8_t* extra, size_t length);

}  // namespace ziparchive
