// Whole files read and written as they are on disk, and whether a path exists.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// The file's bytes; empty when it is missing or cannot be read. Readable while another program
// holds it open, even for writing.
std::string ReadBytes(const std::filesystem::path& file);
// The same bytes in another container, e.g. std::vector<std::uint8_t>.
template <class Bytes>
Bytes ReadBytesAs(const std::filesystem::path& file) {
  const std::string bytes = ReadBytes(file);
  return Bytes(bytes.begin(), bytes.end());
}

// Replaces the file with exactly these bytes (the caller chooses the encoding and line ends);
// throws std::runtime_error when the file cannot be written.
void WriteBytes(const std::filesystem::path& file, std::string_view bytes);
inline void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  WriteBytes(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Whether a file or folder is there. On Windows a folder may be named with a trailing "\".
bool Exists(const std::filesystem::path& path);
bool FileExists(const std::filesystem::path& path);
bool FolderExists(const std::filesystem::path& path);

}  // namespace testsupport
