#include "korvel/library/bitmap_header.h"

#include "resedit/bitmap_file.h"

namespace korvel {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kPlainInfoSize = 40;
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t U32(std::string_view bytes, std::size_t at) {
  auto b = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]));
  };
  return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

std::uint16_t U16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

bool IsBitmapFile(std::string_view file) {
  return resedit::PackedDibFromBitmapFile(reinterpret_cast<const std::uint8_t*>(file.data()),
                                          file.size())
      .ok;
}

std::optional<BitmapFacts> ReadBitmapHeader(std::string_view file) {
  if (file.size() < kFileHeaderSize + kPlainInfoSize || file[0] != 'B' || file[1] != 'M')
    return std::nullopt;
  if (!IsBitmapFile(file)) return std::nullopt;
  const std::uint64_t pixelOffset = U32(file, 10);
  const std::uint32_t infoSize = U32(file, 14);
  if (infoSize < kPlainInfoSize || infoSize > file.size() - kFileHeaderSize) return std::nullopt;

  const auto width = static_cast<std::int32_t>(U32(file, 18));
  const auto rawHeight = static_cast<std::int32_t>(U32(file, 22));
  const std::uint16_t planes = U16(file, 26);
  const std::uint16_t bits = U16(file, 28);
  const std::uint32_t compression = U32(file, 30);
  const std::uint32_t coloursUsed = U32(file, 46);
  // The negation below must not overflow, and a side of 0 is no picture.
  if (width <= 0 || width > kMaxBitmapSide || rawHeight == 0 || rawHeight < -kMaxBitmapSide ||
      rawHeight > kMaxBitmapSide || planes != 1)
    return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return std::nullopt;
  if (compression != kRgb && !(compression == kBitFields && (bits == 16 || bits == 32)))
    return std::nullopt;

  // Bit-field masks follow a 40-byte header and sit inside the longer ones.
  const std::size_t masks = compression == kBitFields ? 12 : 0;
  std::uint64_t paletteEntries = coloursUsed;
  if (bits <= 8) {
    const std::uint32_t full = 1u << bits;
    if (coloursUsed > full) return std::nullopt;
    if (coloursUsed == 0) paletteEntries = full;
  } else if (coloursUsed > 256) {
    return std::nullopt;
  }
  const std::uint64_t masksAt =
      kFileHeaderSize + (infoSize == kPlainInfoSize ? infoSize : kPlainInfoSize);
  const std::uint64_t paletteAt =
      kFileHeaderSize + infoSize + (infoSize == kPlainInfoSize ? masks : 0);
  const std::uint64_t paletteEnd = paletteAt + paletteEntries * 4;
  if (paletteEnd > file.size() || masksAt + masks > file.size()) return std::nullopt;

  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t height = rawHeight < 0 ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
  const std::uint64_t pixelBytes = stride * height;
  if (static_cast<std::uint64_t>(width) * height > kMaxBitmapPixels) return std::nullopt;
  if (pixelOffset < paletteEnd || pixelOffset > file.size() ||
      pixelBytes > file.size() - pixelOffset)
    return std::nullopt;

  BitmapFacts facts;
  facts.width = width;
  facts.height = static_cast<int>(height);
  facts.topDown = rawHeight < 0;
  facts.bitsPerPixel = bits;
  facts.pixelOffset = static_cast<std::size_t>(pixelOffset);
  facts.pixelBytes = static_cast<std::size_t>(pixelBytes);
  facts.info.assign(kPlainInfoSize + masks + static_cast<std::size_t>(paletteEntries) * 4, 0);
  PutU32(facts.info, 0, kPlainInfoSize);
  PutU32(facts.info, 4, static_cast<std::uint32_t>(width));
  PutU32(facts.info, 8, static_cast<std::uint32_t>(rawHeight));
  facts.info[12] = 1;
  facts.info[14] = static_cast<std::uint8_t>(bits);
  PutU32(facts.info, 16, compression);
  PutU32(facts.info, 32, static_cast<std::uint32_t>(paletteEntries));
  for (std::size_t i = 0; i < masks; ++i)
    facts.info[kPlainInfoSize + i] =
        static_cast<std::uint8_t>(file[static_cast<std::size_t>(masksAt) + i]);
  for (std::size_t i = 0; i < paletteEntries * 4; ++i)
    facts.info[kPlainInfoSize + masks + i] =
        static_cast<std::uint8_t>(file[static_cast<std::size_t>(paletteAt) + i]);
  return facts;
}

}  // namespace korvel
