// The one-file setup's layout: the stub program, then a ZIP archive of the kit whose comment
// carries the kit's empty folders and, last in the file, a trailer that says where the archive
// starts, how long it is and its CRC-32. The stub finds and checks the whole payload by the
// trailer before anything is unpacked, so that a download cut short or its data damaged is
// refused whatever a ZIP reader would make of what is left.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ziparchive/platform/zip_platform.h"

namespace bramlow {

// Text, so that no byte of it can look like a ZIP signature to a reader that searches the
// end of the file.
inline constexpr size_t kPayloadTrailerSize = 64;

struct PayloadTrailer {
  uint64_t zipOffset = 0;      // where the archive starts: the size of the stub
  uint64_t zipLength = 0;      // the archive without its comment
  uint32_t foldersLength = 0;  // the folder list after it
  uint32_t crc = 0;            // CRC-32 of the archive and the folder list
};

std::string EncodeTrailer(const PayloadTrailer& trailer);
std::optional<PayloadTrailer> DecodeTrailer(std::string_view bytes);

// The empty folders of the kit ("data\cache"), one a line.
std::string EncodeFolderList(const std::vector<std::string>& folders);
std::vector<std::string> DecodeFolderList(std::string_view bytes);

// What a check of a setup file found.
struct PayloadCheck {
  bool ok = false;
  std::string problem;  // why not, for the user: "the file is incomplete: ..."
  PayloadTrailer trailer;
  std::vector<std::string> emptyFolders;
};

// Reads the trailer at the end of the file and the whole payload it names, and compares its
// length and CRC. Between pieces calls pace (when given) so a window can be kept alive.
PayloadCheck CheckPayload(ziparchive::OsFile& file, const std::function<void()>& pace = {});

// The same on any bytes: readAt(position, buffer, count) is true when it read them all.
using PayloadReader = std::function<bool(uint64_t position, void* buffer, size_t count)>;
PayloadCheck CheckPayload(const PayloadReader& readAt, uint64_t fileSize,
                          const std::function<void()>& pace = {});

}  // namespace bramlow
