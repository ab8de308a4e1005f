// The picture check on arbitrary bytes: whatever it accepts, the header it rebuilds
// and the rows it promises must lie inside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "korvel/library/bitmap_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto facts = korvel::ReadBitmapHeader(file);
  if (!facts) return 0;
  if (facts->pixelOffset + facts->pixelBytes > size || facts->info.size() < 40 || facts->width <= 0 ||
      facts->height <= 0 ||
      static_cast<std::uint64_t>(facts->width) * static_cast<std::uint64_t>(facts->height) > korvel::kMaxBitmapPixels)
    std::abort();
  // Read every promised byte, as the system will: the sanitizer catches a row past the end.
  unsigned sum = 0;
  for (std::size_t i = 0; i < facts->pixelBytes; ++i) sum += data[facts->pixelOffset + i];
  return sum == 0xFFFFFFFFu ? 1 : 0;
}
