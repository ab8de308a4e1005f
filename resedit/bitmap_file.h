// Turns the bytes of a .bmp file into the packed device-independent bitmap that a bitmap
// resource holds: the information header, the colour table and the pixels, without the
// 14-byte file header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace resedit {

struct PackedDibResult {
  bool ok = false;
  std::vector<std::uint8_t> dib;
  std::string error;  // English, for the log
};

// Checks the file thoroughly, because the logon host draws whatever it is given: the "BM"
// signature, a known header, sane dimensions and enough pixel bytes. A gap between the colour
// table and the pixels (allowed in files, impossible in resources) is closed.
PackedDibResult PackedDibFromBitmapFile(const std::uint8_t* data, std::size_t size);

}  // namespace resedit
