// Reading a library package for the preview: its pictures and whether it carries "uifile.txt",
// taken out into a private scratch folder that is gone again before the preview shows. Nothing
// else is written; the apply work folder is never touched.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "korvel/library/package_archive.h"
#include "korvel/library/zip_packages.h"

namespace korvel {

// No logon picture comes near these; a package past them is refused rather than read.
inline constexpr std::uint64_t kMaxPreviewMemberBytes = 16ull << 20;
inline constexpr std::uint64_t kMaxPreviewTotalBytes = 64ull << 20;
// The window shows no more pictures than this; the others are only named, never decoded.
inline constexpr std::size_t kMaxPreviewPictures = 40;

struct PreviewBitmap {
  std::wstring file;      // as stored, "100.bmp"
  std::wstring resource;  // "100"
  std::string bytes;      // the whole file, not yet checked
};

struct PackageContents {
  std::vector<PreviewBitmap> bitmaps;    // in the archive's order
  std::vector<std::wstring> listedOnly;  // resources of the pictures left packed, unordered
  bool hasUiFile = false;
  std::uint64_t packageSize = 0;  // of the package file
};

// A new, empty folder under parent, removed with everything in it when the object goes.
// Empty path() when no folder could be made, or parent is no full path (an empty or relative
// one would put it in the drive's root or the current folder).
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

// The user's temporary folder, without its trailing backslash; empty when the system gives
// none, one too long, or one that is not a full path.
std::wstring TemporaryFolder();

// Which of the listed bitmaps are worth decoding: the largest by stated size (the one shown
// large; of equal ones the lower resource), then the others by resource, `most` in all.
std::vector<std::size_t> BitmapsToDecode(const std::vector<PackageFile>& bitmaps, std::size_t most);

enum class PreviewFailure {
  None,
  Unreadable,       // missing, no archive, or damaged
  NoScratchFolder,  // no private folder could be made under the scratch parent
  IsFolder,         // a folder named like a package
  InUse,            // the package cannot be opened: PreviewRead::systemError says why
  PictureTooLarge,  // PreviewRead::picture is larger than a preview unpacks
};

struct PreviewRead {
  PreviewFailure failure = PreviewFailure::None;
  PackageContents contents;
  unsigned long systemError = 0;  // InUse
  std::wstring picture;           // PictureTooLarge: its file name
  explicit operator bool() const noexcept { return failure == PreviewFailure::None; }
  const PackageContents* operator->() const noexcept { return &contents; }
};

// The package's root pictures and whether it has "uifile.txt", from its listing. At most
// mostPictures bitmaps are unpacked and decoded (see BitmapsToDecode), and no more than the
// total limit holds by their stated sizes; a picture whose name cannot be written as a file, or
// that the engine refuses, is named but left packed like the rest. Unreadable when the package
// is missing, cannot be listed or extracted, or decodes past the limits; PictureTooLarge when a
// picture to decode states more than the member limit; NoScratchFolder when no private folder
// could be made under scratchParent (which must be a full path).
PreviewRead ReadPackageForPreview(IPackageReader& archive, const std::wstring& packagePath,
                                  const std::wstring& scratchParent,
                                  std::size_t mostPictures = kMaxPreviewPictures);

// The archive engine as the preview uses it: only "*.bmp" at the root is taken out, and extraction
// stops, as a failure, once a member or the whole decodes past the limits, so a hostile package
// never fills the disk or the memory.
class PreviewZipReader : public IPackageReader {
 public:
  PreviewZipReader(std::uint64_t maxMemberBytes = kMaxPreviewMemberBytes,
                   std::uint64_t maxTotalBytes = kMaxPreviewTotalBytes);
  bool ExtractRoot(const std::wstring& archive, const std::wstring& folder) override;
  std::optional<std::vector<PackageFile>> ListFiles(const std::wstring& archive) override;
  bool ExtractFiles(const std::wstring& archive, const std::wstring& folder,
                    const std::vector<std::size_t>& chosen,
                    std::vector<RefusedFile>& refused) override;
  const std::vector<int>& Problems() const { return engine_.Problems(); }
  // Run between pieces of the engine's work (the owner's message pump); must not throw.
  void SetMessagePump(std::function<void()> pump) {
    engine_.zipUnPack.ProcessMessages = std::move(pump);
  }

 private:
  ZipPackageReader engine_;
};

}  // namespace korvel
