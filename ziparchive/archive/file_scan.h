// The writer's folder scan: which files of which folders the FileSpec patterns take.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ziparchive/platform/zip_platform.h"

namespace ziparchive {

enum TZipAttr {
  fsZeroAttr, fsReadOnly, fsHidden, fsSysFile, fsVolumeID, fsDirectory, fsArchive,
  fsCompressed, fsEncrypted
};

// A set of attribute classes (the published Attributes and AttributesEx properties).
class TZipAttrs {
 public:
  TZipAttrs() = default;
  TZipAttrs(std::initializer_list<TZipAttr> items) {
    for (TZipAttr a : items) Include(a);
  }
  void Include(TZipAttr a) { FBits |= 1u << a; }
  void Exclude(TZipAttr a) { FBits &= ~(1u << a); }
  bool Has(TZipAttr a) const { return (FBits >> a) & 1u; }
  bool Empty() const { return FBits == 0; }
  bool operator==(const TZipAttrs&) const = default;

 private:
  std::uint32_t FBits = 0;
};

// True when one of the classes of `set` describes a file with Windows attribute bits `attr`.
bool AttrClassMatches(const TZipAttrs& set, std::uint32_t attr);
// The whole test: taken by `take` (or always, for 0x2000) and not rejected by `reject`.
bool AttributesPass(const TZipAttrs& take, const TZipAttrs& reject, std::uint32_t attr);

struct ScanFile {
  std::string path;         // full path: scan root + relative name
  std::size_t rootLength;   // length of the scan root at the front of path
  std::uint64_t size;
  std::uint32_t attributes;
  std::uint32_t dosDateTime;
  bool folder = false;  // an empty folder (EmptyFolders): path ends in "\"
};

// One walk: a folder and the masks of every FileSpec entry naming that folder.
struct ScanWalk {
  std::string root;  // folder with "\" appended
  std::vector<std::string> masks;
};

// Splits each entry into folder (current folder when it has none) and mask, grouping the
// entries of one folder into one walk, in the order the folders first appear.
std::vector<ScanWalk> GroupFileSpec(const std::vector<std::string>& fileSpec,
                                     const std::string& currentFolder);

class TFileScan {
 public:
  using FoundCallback = std::function<void(const ScanFile&)>;
  // Something the scan would have taken or entered but leaves out: a link or junction, a
  // link that leads out of the scanned tree, a pipe or device, a folder too deep.
  using SkippedCallback = std::function<void(const std::string& path, const std::string& why)>;

  TZipAttrs Attributes;
  TZipAttrs AttributesEx;
  bool RecurseDirs = true;
  bool IncludeHiddenDirs = false;
  // Each folder's entries in the byte order of their names instead of the order the system
  // lists them, which differs between file systems: the same tree is then walked alike
  // anywhere, as reproducible archives need.
  bool NameOrder = false;
  // A subfolder in which the walk takes nothing (no file, no folder below it) is found too,
  // as a ScanFile with `folder` set, so that it can be stored.
  bool EmptyFolders = false;
  bool Utf8Paths = false;  // the walk's root is UTF-8; so are the paths found
  const volatile bool* Cancel = nullptr;
  std::function<void()> ProcessMessages;  // the component's, run after each folder
  SkippedCallback Skipped;

  // Lists the walk's root (and its subfolders, depth first, where it enters them) in the
  // order the system returns entries (or in name order), calling found for every file taken.
  void Walk(const ScanWalk& walk, const FoundCallback& found);

 private:
  // Whether anything below the folder was found.
  bool WalkFolder(const std::string& folder, std::size_t rootLength,
                  const std::vector<std::string>& masks, int depth, const FoundCallback& found);
  bool LeadsIntoTree(const std::string& path) const;
  OsPath PathOf(const std::string& text) const { return Utf8Paths ? OsPath::FromUtf8(text) : OsPath(text); }
  void Skip(const std::string& path, const std::string& why) {
    if (Skipped) Skipped(path, why);
  }
  // Where the walk's root really is (links resolved), for links found below it.
  std::string FResolvedRoot;
};

}  // namespace ziparchive
