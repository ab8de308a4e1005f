// Builds small .bmp files for the tests.
#pragma once

#include <cstdint>
#include <vector>

namespace resedit::testing {

inline void Put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  v[at] = static_cast<std::uint8_t>(x);
  v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}
inline void Put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<std::uint8_t>(x >> (8 * i));
}

// A bitmap file with a 40-byte header. Pixels are a pattern derived from seed so that two
// pictures of the same size differ. gap puts unused bytes between the colour table and pixels.
inline std::vector<std::uint8_t> MakeBmp(int width, int height, int bitCount, std::uint8_t seed = 1,
                                         std::size_t gap = 0) {
  const std::size_t palette = bitCount <= 8 ? (std::size_t{1} << bitCount) * 4 : 0;
  const std::size_t stride = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
  const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
  const std::size_t offset = 14 + 40 + palette + gap;
  std::vector<std::uint8_t> v(offset + stride * rows);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, static_cast<std::uint32_t>(v.size()));
  Put32(v, 10, static_cast<std::uint32_t>(offset));
  Put32(v, 14, 40);
  Put32(v, 18, static_cast<std::uint32_t>(width));
  Put32(v, 22, static_cast<std::uint32_t>(height));
  Put16(v, 26, 1);
  Put16(v, 28, static_cast<std::uint32_t>(bitCount));
  Put32(v, 34, static_cast<std::uint32_t>(stride * rows));
  for (std::size_t i = 54; i < 54 + palette; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + seed);
  for (std::size_t i = 54 + palette; i < offset; ++i) v[i] = 0xEE;  // the gap
  for (std::size_t i = offset; i < v.size(); ++i) v[i] = static_cast<std::uint8_t>((i - offset) * 13 + seed * 31);
  return v;
}

}  // namespace resedit::testing
