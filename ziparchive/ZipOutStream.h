// Seekable byte sinks the archive writer builds its output in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// Raised by every sink when bytes cannot be written or the position cannot be set; the
// writer catches it at the top of Compress and throws the partial output away.
class EZipWriteError : public std::runtime_error {
 public:
  explicit EZipWriteError(const std::string& what) : std::runtime_error(what) {}
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
};

// Grows as it is written; used for small members that may end up stored after all, and by tests.
class TMemoryOutStream final : public TOutStream {
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
