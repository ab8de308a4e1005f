#include "file_bytes.h"

#include <windows.h>

#include <stdexcept>

#include "winbase/handles.h"

namespace fs = std::filesystem;

namespace testsupport {

std::string ReadBytes(const fs::path& file) {
  // Every sharing mode, so that a log or list the program under test still holds can be read.
  winbase::FileHandle handle(::CreateFileW(file.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!handle) return bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(handle.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  return bytes;
}

void WriteBytes(const fs::path& file, std::string_view bytes) {
  winbase::FileHandle handle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!handle ||
      !::WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
      written != bytes.size())
    throw std::runtime_error("cannot write " + file.string());
}

// GetFileAttributesW, unlike the C library's stat, also finds "C:\\folder\\".
bool Exists(const fs::path& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FileExists(const fs::path& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const fs::path& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace testsupport
