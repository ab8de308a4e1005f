#include "ziparchive/archive/archive_reader.h"

#include <algorithm>
#include <cstring>

namespace ziparchive {

ArchiveReader::ArchiveReader(OsFile& file, uint64_t fileSize, size_t blockSize)
    : file_(file), size_(fileSize), capacity_(std::max<size_t>(blockSize, 64)), buffer_(new uint8_t[capacity_]) {}

size_t ArchiveReader::View(uint64_t pos, size_t want, const uint8_t*& data) {
  if (pos >= size_ || want == 0) return 0;
  if (pos < start_ || pos - start_ >= length_) {
    start_ = pos;
    length_ = 0;
    size_t fill = size_t(std::min<uint64_t>(capacity_, size_ - pos));
    while (length_ < fill) {
      int64_t n = file_.ReadAt(pos + length_, buffer_.get() + length_, fill - length_);
      if (n <= 0) break;
      length_ += size_t(n);
    }
    if (length_ == 0) return 0;
  }
  size_t offset = size_t(pos - start_);
  data = buffer_.get() + offset;
  return std::min(want, length_ - offset);
}

bool ArchiveReader::Read(uint64_t pos, void* out, size_t count) {
  auto* dst = static_cast<uint8_t*>(out);
  while (count > 0) {
    const uint8_t* src;
    size_t n = View(pos, count, src);
    if (n == 0) return false;
    memcpy(dst, src, n);
    dst += n;
    pos += n;
    count -= n;
  }
  return true;
}

}  // namespace ziparchive
