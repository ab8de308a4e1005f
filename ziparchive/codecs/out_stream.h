// Seekable byte sinks the archive writer builds its output in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

// Raised by every sink when bytes cannot be written or the position cannot be set; the
// writer catches it at the top of Compress and throws the partial output away.
class EZipWriteError : public std::runtime_error {
 public:
  explicit EZipWriteError(const std::string& what, bool diskFull = false)
      : std::runtime_error(what), diskFull_(diskFull) {}
  bool DiskFull() const { return diskFull_; }

 private:
  bool diskFull_;
};

class OutStream {
 public:
  OutStream() = default;
  OutStream(const OutStream&) = delete;
  OutStream& operator=(const OutStream&) = delete;
  virtual ~OutStream() = default;

  // Writes all n bytes at the current position or throws EZipWriteError.
  virtual void Write(const void* data, std::size_t n) = 0;
  virtual std::uint64_t Position() const = 0;
  virtual void Seek(std::uint64_t pos) = 0;
  virtual std::uint64_t Size() const = 0;
  // Makes everything written so far durable in the sink (no-op for memory).
  virtual void Flush() {}
  // Flushes and releases the sink; throws when the system reports a failure.
  virtual void Close() { Flush(); }
};

// Grows as it is written; used for small members that may end up stored after all, and by tests.
class MemoryOutStream final : public OutStream {
 public:
  void Write(const void* data, std::size_t n) override;
  std::uint64_t Position() const override { return pos_; }
  void Seek(std::uint64_t pos) override;
  std::uint64_t Size() const override { return bytes_.size(); }

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  void Clear() { bytes_.clear(); pos_ = 0; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t pos_ = 0;
};

// A file written through one large buffer. A member's local header is usually still in the
// buffer when it is patched after the data, so the patch costs no system call.
class FileOutStream final : public OutStream {
 public:
  static constexpr std::size_t kBufferSize = 256 * 1024;

  // Takes an open file positioned at 0 and empty.
  explicit FileOutStream(OsFile file);
  ~FileOutStream() override;

  void Write(const void* data, std::size_t n) override;
  std::uint64_t Position() const override { return pos_; }
  void Seek(std::uint64_t pos) override;
  std::uint64_t Size() const override { return size_; }
  void Flush() override;
  void Close() override;

 private:
  void WriteThrough(std::uint64_t at, const void* data, std::size_t n);

  OsFile file_;
  std::unique_ptr<std::uint8_t[]> buf_;
  std::uint64_t bufStart_ = 0;  // file offset of buf_[0]
  std::size_t bufLen_ = 0;      // valid bytes in buf_, not yet in the file
  std::uint64_t pos_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace ziparchive
