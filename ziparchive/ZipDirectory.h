// Finding and walking an archive's central directory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ZipPlatform.h"
#include "ZipRecords.h"

struct TCentralDirLocation {
  bool Found = false;           // a central header stands where the end record says
  bool EndRecordFound = false;  // an end record was found at all
  bool Zip64 = false;
  uint64_t EndRecordPosition = 0;
  uint64_t CentralDirStart = 0;
  TEndOfCentralDir EndRecord;
  std::string Comment;          // the archive comment (as far as the file holds it)
  uint64_t LocalScanStart = 0;  // local-header mode: where member data begins
  bool LocalSignatureFound = false;
};

// Looks at the end of the file for the last end record and checks that a central header
// starts where it points (the directory is taken to end right before the end record; the
// stored offset is not used). When that fails, finds where local-header mode starts.
bool LocateCentralDirectory(TOsFile& archive, TCentralDirLocation& out);

struct TCentralEntry {
  TCentralHeader Header;
  std::string RawName;  // bytes as stored
  std::string Extra;
  std::string Comment;
  TMemberSizes Sizes;   // 64-bit values after the Zip64 item
  uint64_t RecordPosition = 0;
};

// Walks central headers from start while they carry the central signature; visit returns
// false to stop early. Returns the number of entries visited.
size_t WalkCentralDirectory(TOsFile& archive, uint64_t start,
                            const std::function<bool(const TCentralEntry&)>& visit);
