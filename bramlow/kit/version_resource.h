// The version resource a one-file setup carries (the application's name and version, shown in
// the file's properties), and where it goes in the stub: the stub reserves a version resource
// large enough for any, which the builder overwrites in place, from any platform.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bramlow {

struct VersionStrings {
  std::u16string productName;
  std::u16string fileDescription;
  std::u16string version;  // as the kit gives it; empty for none
  std::u16string originalFilename;
  unsigned short numbers[4] = {0, 0, 0, 0};
};

// A VS_VERSIONINFO block: the fixed part with the numbers, the strings in US English,
// Unicode, and the translation entry.
std::string BuildVersionInfo(const VersionStrings& strings);

// Where a program keeps its version resource (type 16, the first name and language): the
// file offsets of its data and of the size field of its directory entry.
struct ResourceSlot {
  uint64_t dataOffset = 0;
  uint32_t size = 0;
  uint64_t sizeFieldOffset = 0;
};
std::optional<ResourceSlot> FindVersionResource(std::string_view program);

// Puts block in the place of the program's version resource; false (with why) when the
// program has none or the block is larger than its room.
bool PutVersionResource(std::string& program, const std::string& block, std::string& problem);

}  // namespace bramlow
