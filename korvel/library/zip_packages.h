// The archive engine behind the library's package reader and writer, set up as the main
// window's zipUnPack and zipPack.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "ziparchive/archive/unzip.h"
#include "ziparchive/archive/zip_writer.h"
#include "korvel/library/package_archive.h"

namespace korvel {

// Extracts flat into the folder (no stored folders, root members only); a file already there
// is kept. Any problem the engine reports, or a member failing its CRC check, makes the
// package unreadable.
class ZipPackageReader : public IPackageReader {
 public:
  ZipPackageReader();
  bool ExtractRoot(const std::wstring& archive, const std::wstring& folder) override;
  // The root files zipUnPack selects, with their stated sizes, from the archive's headers
  // alone; nothing when the archive is missing, is none, or its listing is damaged.
  std::optional<std::vector<ziparchive::TUnZip::ListedMember>> ListRoot(
      const std::wstring& archive);

  ziparchive::TUnZip zipUnPack;
  // The engine's message numbers of the last extraction.
  const std::vector<int>& Problems() const { return problems_; }

 private:
  std::vector<int> problems_;
};

// Packs the files of a folder under their bare names, deflated except for files that are
// archives themselves.
class ZipPackageWriter : public IPackageWriter {
 public:
  ZipPackageWriter();
  bool PackFolder(const std::wstring& archive, const std::wstring& folder) override;

  ziparchive::TZip zipPack;
  const std::vector<int>& Problems() const { return problems_; }

 private:
  std::vector<int> problems_;
};

}  // namespace korvel
