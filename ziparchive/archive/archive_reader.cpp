#include "ziparchive/archive/archive_reader.h"

#include <algorithm>
#include <cstring>

namespace ziparchive {

TArchiveReader::TArchiveReader(TOsFile& file, uint64_t fileSize, size_t blockSize)
    : FFile(file), FSize(fileSize), FCapacity(std::max<size_t>(blockSize, 64)), FBuffer(new uint8_t[FCapacity]) {}

size_t TArchiveReader::View(uint64_t pos, size_t want, const uint8_t*& data) {
  if (pos >= FSize || want == 0) return 0;
  if (pos < FStart || pos - FStart >= FLength) {
    FStart = pos;
    FLength = 0;
    size_t fill = size_t(std::min<uint64_t>(FCapacity, FSize - pos));
    while (FLength < fill) {
      int64_t n = FFile.ReadAt(pos + FLength, FBuffer.get() + FLength, fill - FLength);
      if (n <= 0) break;
      FLength += size_t(n);
    }
    if (FLength == 0) return 0;
  }
  size_t offset = size_t(pos - FStart);
  data = FBuffer.get() + offset;
  return std::min(want, FLength - offset);
}

bool TArchiveReader::Read(uint64_t pos, void* out, size_t count) {
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
