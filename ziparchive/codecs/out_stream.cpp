#include "ziparchive/codecs/out_stream.h"

#include <algorithm>
#include <cstring>

namespace ziparchive {

void MemoryOutStream::Write(const void* data, std::size_t n) {
  if (n == 0) return;
  std::size_t end = static_cast<std::size_t>(pos_) + n;
  if (end > bytes_.size()) bytes_.resize(end);
  std::memcpy(bytes_.data() + pos_, data, n);
  pos_ = end;
}

void MemoryOutStream::Seek(std::uint64_t pos) {
  if (pos > bytes_.size()) throw EZipWriteError("seek past the end of a memory stream");
  pos_ = pos;
}

FileOutStream::FileOutStream(OsFile file)
    : file_(std::move(file)), buf_(new std::uint8_t[kBufferSize]) {}

// Whatever is still buffered belongs to an output being thrown away (Close was not reached).
FileOutStream::~FileOutStream() = default;

void FileOutStream::WriteThrough(std::uint64_t at, const void* data, std::size_t n) {
  if (!file_.Seek(at)) throw EZipWriteError("cannot position the output file");
  bool diskFull = false;
  if (file_.Write(data, n, &diskFull) != n) throw EZipWriteError("cannot write the output file", diskFull);
}

void FileOutStream::Flush() {
  if (bufLen_ == 0) return;
  std::size_t n = bufLen_;
  bufLen_ = 0;  // a failed flush leaves nothing worth retrying
  WriteThrough(bufStart_, buf_.get(), n);
}

void FileOutStream::Write(const void* data, std::size_t n) {
  if (n == 0) return;
  bool inWindow = pos_ >= bufStart_ && pos_ <= bufStart_ + bufLen_ &&
                  pos_ + n <= bufStart_ + kBufferSize;
  if (bufLen_ == 0) {
    bufStart_ = pos_;
    inWindow = n <= kBufferSize;
  }
  if (inWindow) {
    std::size_t at = static_cast<std::size_t>(pos_ - bufStart_);
    std::memcpy(buf_.get() + at, data, n);
    bufLen_ = std::max(bufLen_, at + n);
  } else {
    Flush();
    if (n >= kBufferSize / 2) {
      WriteThrough(pos_, data, n);
    } else {
      bufStart_ = pos_;
      std::memcpy(buf_.get(), data, n);
      bufLen_ = n;
    }
  }
  pos_ += n;
  size_ = std::max(size_, pos_);
}

void FileOutStream::Seek(std::uint64_t pos) {
  if (pos > size_) throw EZipWriteError("seek past the end of the output file");
  pos_ = pos;
}

void FileOutStream::Close() {
  Flush();
  if (!file_.Close()) throw EZipWriteError("cannot close the output file");
}

}  // namespace ziparchive
