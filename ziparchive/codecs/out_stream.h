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
      : std::runtime_error(what), FDiskFull(diskFull) {}
  bool DiskFull() const { return FDiskFull; }

 private:
  bool FDiskFull;
};

class TOutStream {
 public:
  TOutStream() = default;
  TOutStream(const TOutStream&) = delete;
  TOutStream& operator=(const TOutStream&) = delete;
  virtual ~TOutStream() = default;

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
class TMemoryOutStream final : public TOutStream {
 public:
  void Write(const void* data, std::size_t n) override;
  std::uint64_t Position() const override { return FPos; }
  void Seek(std::uint64_t pos) override;
  std::uint64_t Size() const override { return FBytes.size(); }

  const std::vector<std::uint8_t>& Bytes() const { return FBytes; }
  void Clear() { FBytes.clear(); FPos = 0; }

 private:
  std::vector<std::uint8_t> FBytes;
  std::uint64_t FPos = 0;
};

// A file written through one large buffer. A member's local header is usually still in the
// buffer when it is patched after the data, so the patch costs no system call.
class TFileOutStream final : public TOutStream {
 public:
  static constexpr std::size_t kBufferSize = 256 * 1024;

  // Takes an open file positioned at 0 and empty.
  explicit TFileOutStream(TOsFile file);
  ~TFileOutStream() override;

  void Write(const void* data, std::size_t n) override;
  std::uint64_t Position() const override { return FPos; }
  void Seek(std::uint64_t pos) override;
  std::uint64_t Size() const override { return FSize; }
  void Flush() override;
  void Close() override;

 private:
  void WriteThrough(std::uint64_t at, const void* data, std::size_t n);

  TOsFile FFile;
  std::unique_ptr<std::uint8_t[]> FBuf;
  std::uint64_t FBufStart = 0;  // file offset of FBuf[0]
  std::size_t FBufLen = 0;      // valid bytes in FBuf, not yet in the file
  std::uint64_t FPos = 0;
  std::uint64_t FSize = 0;
};

}  // namespace ziparchive
