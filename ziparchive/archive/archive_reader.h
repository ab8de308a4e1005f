// Reading an archive through one block buffer. A read the buffer holds costs no system call;
// one it does not hold refills the buffer from there in a single positioned read, so walking
// records and member data in file order reads every block once, however small the members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

class ArchiveReader {
 public:
  // fileSize bounds every read: what lies past it is never handed out.
  ArchiveReader(OsFile& file, uint64_t fileSize, size_t blockSize);
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  uint64_t Size() const { return size_; }
  // Up to `want` bytes at `pos`, in place in the buffer (valid until the next call): at least
  // one byte unless `pos` is at or past the end or the system fails, fewer than wanted where
  // the buffer ends.
  size_t View(uint64_t pos, size_t want, const uint8_t*& data);
  // Exactly `count` bytes at `pos`; false when the file does not hold them.
  bool Read(uint64_t pos, void* out, size_t count);

 private:
  OsFile& file_;
  uint64_t size_;
  size_t capacity_;
  std::unique_ptr<uint8_t[]> buffer_;
  uint64_t start_ = 0;  // file position of buffer_[0]
  size_t length_ = 0;   // valid bytes in buffer_
};

}  // namespace ziparchive
