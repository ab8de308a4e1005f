// Whole-file reading with a size bound, for the script and the resource files it names.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace resedit {

struct FileBytes {
  bool ok = false;
  std::vector<std::uint8_t> bytes;
  std::wstring error;
};

// Refuses files larger than maxSize rather than reading them partly.
FileBytes ReadFileBytes(const std::wstring& path, std::size_t maxSize);

}  // namespace resedit
