// What the library's operations need from the archive engine, so they can be driven without it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

// A file of a package as the archive's directory states it.
struct PackageFile {
  std::wstring name;       // as the file system gets it; "\" before it for each archive folder
  std::uint64_t size = 0;  // as stated, not decoded
};

// True for a file at the archive's root, the only ones a package's operations take.
inline bool AtRoot(const PackageFile& file) {
  return file.name.find(L'\\') == std::wstring::npos;
}

// A file the archive engine would not write under its stored name, and the engine's reason.
struct RefusedFile {
  std::size_t index = 0;  // in the list ListFiles gave
  std::wstring reason;
};

class IPackageReader {
 public:
  virtual ~IPackageReader() = default;
  // Extracts the members at the archive's root into folder (members inside archive folders are
  // not extracted; a file already in folder is kept). Returns false when the archive is missing,
  // is no readable archive, or any member failed (damaged data, CRC mismatch, a name the engine
  // refuses).
  virtual bool ExtractRoot(const std::wstring& archive, const std::wstring& folder) = 0;

  // Every file of the archive, folder entries left out, in the archive's order. Nothing when the
  // archive is missing, is none, or its directory is damaged.
  virtual std::optional<std::vector<PackageFile>> ListFiles(const std::wstring& archive) = 0;

  // Extracts the chosen files of that list (by index; files at the root) flat into folder; a
  // file already there is kept. False when the archive is missing or is none, or a chosen file
  // is damaged (its records or its data). A name the engine will not write as that file, or one
  // Windows would not (see IsPlainFileName), is no damage: the file goes to `refused` instead,
  // with the reason.
  virtual bool ExtractFiles(const std::wstring& archive, const std::wstring& folder,
                            const std::vector<std::size_t>& chosen,
                            std::vector<RefusedFile>& refused) = 0;
};

class IPackageWriter {
 public:
  virtual ~IPackageWriter() = default;
  // Writes a new archive holding every file of folder under its bare name. Returns false when
  // the archive could not be written completely.
  virtual bool PackFolder(const std::wstring& archive, const std::wstring& folder) = 0;
};

}  // namespace korvel
