#include "bitmap_file.h"

namespace resedit {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
// Pictures larger than this are not logon bitmaps; the bound also keeps the size arithmetic
// far from overflow.
constexpr std::int64_t kMaxDimension = 32768;

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

PackedDibResult Refuse(std::string why) {
  PackedDibResult r;
  r.error = std::move(why);
  return r;
}

}  // namespace

PackedDibResult PackedDibFromBitmapFile(const std::uint8_t* data, std::size_t size) {
  if (size < kFileHeaderSize + kCoreHeaderSize) return Refuse("bitmap file too short");
  if (data[0] != 'B' || data[1] != 'M') return Refuse("not a bitmap file (no \"BM\" signature)");

  const std::uint32_t bitsOffset = U32(data + 10);
  const std::uint8_t* info = data + kFileHeaderSize;
  const std::uint32_t infoSize = U32(info);
  const bool core = infoSize == kCoreHeaderSize;
  if (!core && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 64 &&
      infoSize != 108 && infoSize != 124)
    return Refuse("unknown bitmap header size " + std::to_string(infoSize));
  if (size < kFileHeaderSize + infoSize) return Refuse("bitmap header truncated");

  std::int64_t width, height;
  std::uint32_t planes, bitCount, compression = kBiRgb, sizeImage = 0, colorsUsed = 0;
  if (core) {
    width = U16(info + 4);
    height = U16(info + 6);
    planes = U16(info + 8);
    bitCount = U16(info + 10);
  } else {
    width = static_cast<std::int32_t>(U32(info + 4));
    height = static_cast<std::int32_t>(U32(info + 8));
    planes = U16(info + 12);
    bitCount = U16(info + 14);
    compression = U32(info + 16);
    sizeImage = U32(info + 20);
    colorsUsed = U32(info + 32);
  }
  if (planes != 1) return Refuse("bitmap planes must be 1");
  if (width <= 0 || width > kMaxDimension || height == 0 || height < -kMaxDimension ||
      height > kMaxDimension)
    return Refuse("bitmap dimensions out of range");
  const bool depthOk = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 ||
                       (!core && (bitCount == 16 || bitCount == 32));
  if (!depthOk) return Refuse("unsupported bit depth " + std::to_string(bitCount));

  std::size_t masks = 0;
  switch (compression) {
    case kBiRgb: break;
    case kBiRle8:
    case kBiRle4:
      if (bitCount != (compression == kBiRle8 ? 8u : 4u) || height < 0)
        return Refuse("run-length compression does not fit the bitmap");
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (bitCount != 16 && bitCount != 32) return Refuse("bit-field masks need 16 or 32 bits");
      if (infoSize == 40) masks = compression == kBiBitfields ? 12 : 16;
      break;
    default: return Refuse("unsupported bitmap compression " + std::to_string(compression));
  }

  std::size_t paletteEntries = 0;
  if (bitCount <= 8) {
    const std::uint32_t full = 1u << bitCount;
    if (colorsUsed > full) return Refuse("colour table larger than the bit depth allows");
    paletteEntries = colorsUsed ? colorsUsed : full;
  } else if (colorsUsed > 256) {
    return Refuse("colour table too large");
  } else {
    paletteEntries = colorsUsed;
  }
  const std::size_t headerEnd =
      kFileHeaderSize + infoSize + masks + paletteEntries * (core ? 3 : 4);
  if (size < headerEnd) return Refuse("colour table truncated");

  std::size_t bitsStart = bitsOffset == 0 ? headerEnd : bitsOffset;
  if (bitsStart < headerEnd) return Refuse("pixel offset points into the header");
  if (bitsStart > size) return Refuse("pixel offset beyond the end of the file");
  const std::size_t available = size - bitsStart;

  std::size_t bitsSize;
  if (compression == kBiRle8 || compression == kBiRle4) {
    bitsSize = sizeImage ? sizeImage : available;
    if (bitsSize == 0 || bitsSize > available) return Refuse("compressed pixel data truncated");
  } else {
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t needed = stride * rows;
    if (needed > available) return Refuse("pixel data truncated");
    bitsSize = static_cast<std::size_t>(needed);
  }

  PackedDibResult r;
  r.ok = true;
  r.dib.reserve(headerEnd - kFileHeaderSize + bitsSize);
  r.dib.assign(data + kFileHeaderSize, data + headerEnd);
  r.dib.insert(r.dib.end(), data + bitsStart, data + bitsStart + bitsSize);
  return r;
}

}  // namespace resedit
