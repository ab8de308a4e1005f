// Any bytes as a .bmp file: the packed bitmap that comes out must be consistent with itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto r = resedit::PackedDibFromBitmapFile(data, size);
  if (r.ok) {
    if (r.dib.size() < 12 || r.dib.size() > size) std::abort();
    const std::uint32_t header = r.dib[0] | (r.dib[1] << 8) | (r.dib[2] << 16) | (static_cast<std::uint32_t>(r.dib[3]) << 24);
    if (header > r.dib.size()) std::abort();
  } else if (r.error.empty()) {
    std::abort();
  }
  return 0;
}
