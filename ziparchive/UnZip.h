// TUnZip: the ZIP reader - finds the members through the central directory (or, failing
// that, the local headers), and extracts the selected ones by method.
#pragma once

#include <string>
#include <vector>

#include "UnBase.h"
#include "ZipRecords.h"

class TDecompressStream;
class TZipCrypto;
#include "ZipRecords.h"

class TUnZip : public TUnBase {
 public:
  TUnZip() = default;

  // Passwords tried, in order, on an encrypted member's header.
  std::vector<std::string> Passwords;

  // Keeps the name when the file exists (else empties it) and recognises the archive type.
  void SetArchiveFile(const std::string& name);
  // Writes the selected members; returns the number of files written. Never throws.
  int Extract();
  // Decodes every selected member and checks its CRC without writing anything; returns the
  // number of members decoded. Problems are reported as by Extract.
  int Test();

 private:
  struct TMemberEntry {
    uint32_t ExternalAttributes = 0;
    uint16_t DiskNumber = 0;
    uint64_t LocalHeaderOffset = 0;
    TCentralHeader Central;
    TMemberSizes Sizes;
    bool FromLocalHeader = false;
  };

  void CollectFromCentralDirectory(TOsFile& archive, uint64_t start, uint64_t prefixShift,
                                   std::vector<TMemberEntry>& members);
  void CollectFromLocalHeaders(TOsFile& archive, uint64_t start, std::vector<TMemberEntry>& members);
  void ExtractMember(TOsFile& archive, const TMemberEntry& member, uint32_t maxDate);
  void Decompress(TOsFile& archive, const TMemberEntry& member, uint16_t method, TZipCrypto* crypto,
                  uint64_t dataOffset);
  void InflateMember(TDecompressStream& stream, uint64_t size);
};
