// What a ".bmp" file of a package holds, checked before any of it reaches the resource editor or
// the system's picture code: the file comes from an archive anyone may have made. Apply and
// preview ask the same question, so a picture the preview draws is never one apply leaves out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace korvel {

// Larger pictures than these are no logon picture; refusing them keeps every size product
// small, and what the system may unpack while scaling one (4 bytes a pixel) within 64 MiB.
inline constexpr int kMaxBitmapSide = 16384;
inline constexpr std::uint64_t kMaxBitmapPixels = 16ull << 20;

struct BitmapFacts {
  int width = 0;
  int height = 0;  // always positive; topDown says which way the rows run
  bool topDown = false;
  int bitsPerPixel = 0;
  // A plain 40-byte header (with its colour masks or palette after it), rebuilt from the
  // checked values, so the system never reads fields that were not checked.
  std::vector<std::uint8_t> info;
  std::size_t pixelOffset = 0;  // where the pixel rows start in the file
  std::size_t pixelBytes = 0;   // how many bytes they take; all inside the file
};

// Whether the resource editor takes the file as a bitmap (its own reading, so that the answer
// cannot drift from it): a picture it refuses would stop it, and nothing would be applied.
bool IsBitmapFile(std::string_view file);

// The facts of an uncompressed (or bit-field) bitmap file with a header of 40 bytes or more,
// 1 to 32 bits per pixel; nothing for anything else, for a file too short for its rows, or for
// one IsBitmapFile refuses.
std::optional<BitmapFacts> ReadBitmapHeader(std::string_view file);

}  // namespace korvel
