#include "bramlow/kit/kit_names.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "bramlow/kit/ansi_text.h"
#include "ziparchive/records/member_name.h"

namespace bramlow {
namespace {

// Deeper than this the archive's folder scan stops anyway; the walk must end on any tree.
constexpr int kMaxDepth = ziparchive::kMaxStoredFolders + 1;

std::string NameFault(const std::string& name, const KitFolder& kit, unsigned codePage) {
  for (char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F)
      return "the name holds a control character, which Windows cannot use in a name";
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      return std::string("the name holds '") + c + "', which Windows cannot use in a name";
  }
  if (kit.NamesAreUtf8() ? !ziparchive::IsValidUtf8(name) : !IsValidAnsi(name, codePage))
    return "the name holds bytes that are no characters of the kit's code page";
  std::string why;
  if (!ziparchive::IsSafeMemberPath(name, false, &why)) return why + ": Windows cannot create it";
  return std::string();
}

void Walk(const KitFolder& kit, const std::string& folder, int depth, unsigned codePage,
          std::vector<Finding>& findings) {
  std::vector<std::pair<std::string, bool>> entries;  // name, is a folder
  for (std::string& n : kit.FileNames(folder)) entries.emplace_back(std::move(n), false);
  for (std::string& n : kit.FolderNames(folder)) entries.emplace_back(std::move(n), true);
  std::sort(entries.begin(), entries.end());
  for (const auto& [name, why] : kit.Unpackable(folder)) {
    findings.push_back(Finding{folder.empty() ? name : folder + "\\" + name, 0, Severity::Error,
                               why + ": the build cannot pack it"});
  }
  std::map<std::string, std::string> seen;  // folded -> first name
  for (const auto& [name, isFolder] : entries) {
    // (An empty name, which only a kit in memory can hold, is named by the kit's own folder.)
    const std::string path = folder.empty() ? (name.empty() ? "." : name) : folder + "\\" + name;
    std::string fault = NameFault(name, kit, codePage);
    if (fault.empty()) {
      const auto [first, added] = seen.emplace(FoldedKitName(name), name);
      if (!added) {
        fault = "the same name as " + first->second +
                " when case is ignored: Windows holds only one of them";
      }
    }
    if (!fault.empty()) {
      findings.push_back(Finding{path, 0, Severity::Error, fault});
      continue;  // what lies below is named through it: one finding is enough
    }
    if (isFolder && depth < kMaxDepth) Walk(kit, path, depth + 1, codePage, findings);
  }
}

}  // namespace

void CheckKitNames(const KitFolder& kit, unsigned codePage, std::vector<Finding>& findings) {
  Walk(kit, "", 0, codePage, findings);
}

}  // namespace bramlow
