// Reading an archive through one block buffer. A read the buffer holds costs no system call;
// one it does not hold refills the buffer from there in a single positioned read, so walking
// records and member data in file order reads every block once, however small the members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

class TArchiveReader {
 public:
  // fileSize bounds every read: what lies past it is never handed out.
  TArchiveReader(TOsFile& file, uint64_t fileSize, size_t blockSize);
  TArchiveReader(const TArchiveReader&) = delete;
  TArchiveReader& operator=(const TArchiveReader&) = delete;

  uint64_t Size() const { return FSize; }
  // Up to `want` bytes at `pos`, in place in the buffer (valid until the next call): at least
  // one byte unless `pos` is at or past the end or the system fails, fewer than wanted where
  // the buffer ends.
  size_t View(uint64_t pos, size_t want, const uint8_t*& data);
  // Exactly `count` bytes at `pos`; false when the file does not hold them.
  bool Read(uint64_t pos, void* out, size_t count);

 private:
  TOsFile& FFile;
  uint64_t FSize;
  size_t FCapacity;
  std::unique_ptr<uint8_t[]> FBuffer;
  uint64_t FStart = 0;  // file position of FBuffer[0]
  size_t FLength = 0;   // valid bytes in FBuffer
};

}  // namespace ziparchive
