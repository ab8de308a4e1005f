// What the library's operations need from the archive engine, so they can be driven without it.
#pragma once
#include <string>

namespace korvel {

class IPackageReader {
 public:
  virtual ~IPackageReader() = default;
  // Extracts the members at the archive's root into folder (members inside archive folders are
  // not extracted; a file already in folder is kept). Returns false when the archive is missing,
  // is no readable archive, or any member failed (damaged data, CRC mismatch).
  virtual bool ExtractRoot(const std::wstring& archive, const std::wstring& folder) = 0;
};

class IPackageWriter {
 public:
  virtual ~IPackageWriter() = default;
  // Writes a new archive holding every file of folder under its bare name. Returns false when
  // the archive could not be written completely.
  virtual bool PackFolder(const std::wstring& archive, const std::wstring& folder) = 0;
};

}  // namespace korvel
