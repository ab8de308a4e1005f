#include "out_stream.h"

#include <cstring>

void TMemoryOutStream::Write(const void* data, std::size_t n) {
  if (n == 0) return;
  std::size_t end = static_cast<std::size_t>(pos_) + n;
  if (end > bytes_.size()) bytes_.resize(end);
  std::memcpy(bytes_.data() + pos_, data, n);
  pos_ = end;
}

void TMemoryOutStream::Seek(std::uint64_t pos) {
  if (pos > bytes_.size()) throw EZipWriteError("seek past the end of a memory stream");
  pos_ = pos;
}
