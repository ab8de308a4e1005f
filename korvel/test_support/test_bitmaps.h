// Bitmap files made on the fly: the pictures a package's tests put in it must pass the checks
// that apply and preview make of a picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace korvel::testing {

inline void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// A bitmap file with a 40-byte header; palette entries for 8 bits and below.
inline std::string Bitmap(int width, int height, int bits, std::uint32_t paletteEntries = 0) {
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
  const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  const std::size_t pixels = static_cast<std::size_t>(stride * rows);
  const std::size_t offset = 54 + paletteEntries * 4;
  std::string file(offset + pixels, '\x5a');
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, static_cast<std::uint32_t>(file.size()));
  Put32(file, 6, 0);
  Put32(file, 10, static_cast<std::uint32_t>(offset));
  Put32(file, 14, 40);
  Put32(file, 18, static_cast<std::uint32_t>(width));
  Put32(file, 22, static_cast<std::uint32_t>(height));
  file[26] = 1, file[27] = 0;
  file[28] = static_cast<char>(bits), file[29] = 0;
  for (std::size_t at = 30; at < 54; ++at) file[at] = 0;
  Put32(file, 46, paletteEntries);
  return file;
}

// A small picture that tells itself from others by the bytes after its pixels.
inline std::string Picture(const std::string& tag) { return Bitmap(1, 1, 24) + tag; }

}  // namespace korvel::testing
