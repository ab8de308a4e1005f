#include "ziparchive/archive/file_scan.h"

#include <algorithm>

#include "ziparchive/platform/zip_platform.h"
#include "ziparchive/records/member_name.h"
#include "ziparchive/records/wildcard.h"

namespace ziparchive {

namespace {
// Deeper than any path the system can hold; stops loops made by links to parent folders. The
// reader refuses stored names deeper than that too.
constexpr int kMaxDepth = kMaxStoredFolders;
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

std::vector<ScanWalk> GroupFileSpec(const std::vector<std::string>& fileSpec,
                                     const std::string& currentFolder) {
  std::vector<ScanWalk> walks;
  for (const std::string& entry : fileSpec) {
    if (entry.empty()) continue;
    std::size_t slash = entry.find_last_of('\\');
    std::string folder = slash == std::string::npos ? currentFolder : entry.substr(0, slash);
    std::string mask = slash == std::string::npos ? entry : entry.substr(slash + 1);
    std::string root = folder;
    if (root.empty() || root.back() != '\\') root += '\\';
    ScanWalk* walk = nullptr;
    for (ScanWalk& w : walks)
      if (SameTextAnsi(w.root, root)) walk = &w;
    if (!walk) {
      walks.push_back({root, {}});
      walk = &walks.back();
    }
    walk->masks.push_back(mask);
  }
  return walks;
}

void TFileScan::Walk(const ScanWalk& walk, const FoundCallback& found) {
  FResolvedRoot = OsResolvedPath(PathOf(walk.root));
  if (!FResolvedRoot.empty() && FResolvedRoot.back() != '/') FResolvedRoot += '/';
  WalkFolder(walk.root, walk.root.size(), walk.masks, 0, found);
}

bool TFileScan::LeadsIntoTree(const std::string& path) const {
  std::string target = OsResolvedPath(PathOf(path));
  return !FResolvedRoot.empty() && target.compare(0, FResolvedRoot.size(), FResolvedRoot) == 0;
}

namespace {
// Under its look-alike name the entry would be another file, or none: it is left out by
// its real name.
std::string LostNameReason(const std::string& utf8) {
  return "the name \"" + utf8 + "\" (UTF-8) has characters the ANSI code page lacks";
}
}  // namespace

bool TFileScan::WalkFolder(const std::string& folder, std::size_t rootLength,
                           const std::vector<std::string>& masks, int depth,
                           const FoundCallback& found) {
  OsDirSearch search;
  bool any = false;
  if (!search.Open(PathOf(folder))) return any;
  OsFindData d;
  std::vector<OsFindData> listed;  // the whole folder, for name order
  std::size_t nextListed = 0;
  if (NameOrder) {
    while (search.Next(d)) listed.push_back(d);
    std::sort(listed.begin(), listed.end(),
              [](const OsFindData& a, const OsFindData& b) { return a.name < b.name; });
  }
  auto next = [&] {
    if (!NameOrder) return search.Next(d);
    if (nextListed == listed.size()) return false;
    d = std::move(listed[nextListed++]);
    return true;
  };
  while (next()) {
    if (Cancel && *Cancel) return any;
    if ((d.attributes & 0x10) && !d.special) {
      const std::string path = folder + d.name;
      bool wanted = RecurseDirs && (IncludeHiddenDirs || !(d.attributes & 0x02));
      // A link may lead anywhere, its own parent included: never followed.
      if (wanted && !d.lostName.empty())
        Skip(path, LostNameReason(d.lostName));
      else if (wanted && ((d.attributes & kReparsePoint) || d.link))
        Skip(path, "a link or junction to a folder is not followed");
      else if (wanted && depth >= kMaxDepth)
        Skip(path, "more than " + std::to_string(kMaxDepth) + " folders deep");
      else if (wanted && WalkFolder(path + "\\", rootLength, masks, depth + 1, found))
        any = true;
      else if (wanted && EmptyFolders && !(Cancel && *Cancel)) {
        ScanFile empty{path + "\\", rootLength, 0, d.attributes, d.dosDateTime};
        empty.folder = true;
        found(empty);
        any = true;
      }
    } else {
      bool match = false;
      for (const std::string& m : masks)
        if (WildcardMatch(m, d.name)) {
          match = true;
          break;
        }
      if (match && AttributesPass(Attributes, AttributesEx, d.attributes)) {
        if (!d.lostName.empty())
          Skip(folder + d.name, LostNameReason(d.lostName));
        else if (d.special)
          Skip(folder + d.name, "neither a file nor a folder (a pipe, device or broken link)");
        else if (d.link && !LeadsIntoTree(folder + d.name))
          Skip(folder + d.name, "a link that leads out of the scanned folder");
        else {
          found({folder + d.name, rootLength, d.size, d.attributes, d.dosDateTime});
          any = true;
        }
      }
    }
    if (ProcessMessages) ProcessMessages();
  }
  return any;
}

}  // namespace ziparchive
