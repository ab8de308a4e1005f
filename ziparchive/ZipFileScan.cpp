#include "ZipFileScan.h"

#include "ZipPlatform.h"
#include "ZipWildcard.h"

namespace {
// Deeper than any path the system can hold; stops loops made by links to parent folders.
constexpr int kMaxDepth = 64;
constexpr std::uint32_t kReparsePoint = 0x400;
constexpr std::uint32_t kAlwaysTaken = 0x2000;  // "not content indexed"
}  // namespace

bool AttrClassMatches(const TZipAttrs& set, std::uint32_t a) {
  return (set.Has(fsArchive) && (a & 0x20)) ||
         (set.Has(fsZeroAttr) && (a == 0 || a == 0x80)) ||
         (set.Has(fsReadOnly) && (a & 0x01)) || (set.Has(fsHidden) && (a & 0x02)) ||
         (set.Has(fsSysFile) && (a & 0x04)) || (set.Has(fsDirectory) && (a & 0x10)) ||
         (set.Has(fsCompressed) && (a & 0x800)) || (set.Has(fsEncrypted) && (a & 0x4000));
}

bool AttributesPass(const TZipAttrs& take, const TZipAttrs& reject, std::uint32_t a) {
  if (!(a & kAlwaysTaken) && !AttrClassMatches(take, a)) return false;
  return !AttrClassMatches(reject, a);
}

std::vector<TScanWalk> GroupFileSpec(const std::vector<std::string>& fileSpec,
                                     const std::string& currentFolder) {
  std::vector<TScanWalk> walks;
  for (const std::string& entry : fileSpec) {
    if (entry.empty()) continue;
    std::size_t slash = entry.find_last_of('\\');
    std::string folder = slash == std::string::npos ? currentFolder : entry.substr(0, slash);
    std::string mask = slash == std::string::npos ? entry : entry.substr(slash + 1);
    std::string root = folder;
    if (root.empty() || root.back() != '\\') root += '\\';
    TScanWalk* walk = nullptr;
    for (TScanWalk& w : walks)
      if (SameTextAnsi(w.Root, root)) walk = &w;
    if (!walk) {
      walks.push_back({root, {}});
      walk = &walks.back();
    }
    walk->Masks.push_back(mask);
  }
  return walks;
}

void TFileScan::Walk(const TScanWalk& walk, const TFound& found) {
  WalkFolder(walk.Root, walk.Root.size(), walk.Masks, 0, found);
}

void TFileScan::WalkFolder(const std::string& folder, std::size_t rootLength,
                           const std::vector<std::string>& masks, int depth,
                           const TFound& found) {
  TOsDirSearch search;
  if (!search.Open(folder)) return;
  TOsFindData d;
  while (search.Next(d)) {
    if (Cancel && *Cancel) return;
    if (d.Attributes & 0x10) {
      bool enter = RecurseDirs && depth < kMaxDepth && !(d.Attributes & kReparsePoint) &&
                   (IncludeHiddenDirs || !(d.Attributes & 0x02));
      if (enter) WalkFolder(folder + d.Name + "\\", rootLength, masks, depth + 1, found);
    } else {
      bool match = false;
      for (const std::string& m : masks)
        if (WildcardMatch(m, d.Name)) {
          match = true;
          break;
        }
      if (match && AttributesPass(Attributes, AttributesEx, d.Attributes))
        found({folder + d.Name, rootLength, d.Size, d.Attributes, d.DosDateTime});
    }
    ProcessPendingMessages();
  }
}
