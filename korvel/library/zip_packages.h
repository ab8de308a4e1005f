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
// package unreadable; ListFiles and ExtractFiles tell a name the engine refuses from damage.
class ZipPackageReader : public IPackageReader {
 public:
  ZipPackageReader();
  bool ExtractRoot(const std::wstring& archive, const std::wstring& folder) override;
  std::optional<std::vector<PackageFile>> ListFiles(const std::wstring& archive) override;
  bool ExtractFiles(const std::wstring& archive, const std::wstring& folder,
                    const std::vector<std::size_t>& chosen,
                    std::vector<RefusedFile>& refused) override;

  ziparchive::TUnZip zipUnPack;
  // The engine's message numbers of the last extraction.
  const std::vector<int>& Problems() const { return problems_; }

 private:
  // Every member but the folder entries, as the engine names them, in the archive's order.
  std::optional<std::vector<ziparchive::TUnZip::ListedMember>> ListAll(const std::wstring& archive);

  std::vector<int> problems_;
  // While ExtractFiles runs: the engine's name of each listed file, whether it was chosen, and
  // how far the engine has got through them; the names the engine refused with its reasons.
  struct Choice {
    std::vector<std::string> names;
    std::vector<bool> chosen;
    std::size_t next = 0;
    std::vector<RefusedFile> refused;
    // The listed file the engine has come to, by its name; nothing for one not listed.
    std::optional<std::size_t> Reach(const std::string& name);
  };
  std::optional<Choice> choice_;
  // While the package is listed: the engine names the names it would refuse to write, which
  // say nothing of the archive; Korvel decides on each listed name itself.
  bool listing_ = false;
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
