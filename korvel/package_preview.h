// Reading a library package for the preview: its pictures and whether it carries "uifile.txt",
// taken out into a private scratch folder that is gone again before the preview shows. Nothing
// else is written; the apply work folder is never touched.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package_archive.h"
#include "zip_packages.h"

namespace korvel {

// No logon picture comes near these; a package past them is refused rather than read.
inline constexpr std::uint64_t kMaxPreviewMemberBytes = 16ull << 20;
inline constexpr std::uint64_t kMaxPreviewTotalBytes = 64ull << 20;

struct PreviewBitmap {
  std::wstring file;      // as stored, "100.bmp"
  std::wstring resource;  // "100"
  std::string bytes;      // the whole file, not yet checked
};

struct PackageContents {
  std::vector<PreviewBitmap> bitmaps;  // in the file system's order
  bool hasUiFile = false;
  std::uint64_t packageSize = 0;  // of the package file
};

// A new, empty folder under parent, removed with everything in it when the object goes.
// Empty path() when no folder could be made.
class PrivateFolder {
 public:
  PrivateFolder(const std::wstring& parent, const std::wstring& label);
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  const std::wstring& path() const noexcept { return path_; }

 private:
  std::wstring path_;
};

// The user's temporary folder, without its trailing backslash.
std::wstring TemporaryFolder();

// Nothing when the package is missing, cannot be extracted, or holds a picture or a total past
// the limits above.
std::optional<PackageContents> ReadPackageForPreview(IPackageReader& reader,
                                                     const std::wstring& packagePath,
                                                     const std::wstring& scratchParent);

// The archive engine as the preview uses it: only "*.bmp" and "uifile.txt" at the root are
// taken out, and extraction stops, as a failure, once a member or the whole decodes past the
// limits, so a hostile package never fills the disk or the memory.
class PreviewZipReader : public IPackageReader {
 public:
  PreviewZipReader(std::uint64_t maxMemberBytes = kMaxPreviewMemberBytes,
                   std::uint64_t maxTotalBytes = kMaxPreviewTotalBytes);
  bool ExtractRoot(const std::wstring& archive, const std::wstring& folder) override;
  const std::vector<int>& Problems() const { return engine_.Problems(); }

 private:
  ZipPackageReader engine_;
};

}  // namespace korvel
