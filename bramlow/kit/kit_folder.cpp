#include "bramlow/kit/kit_folder.h"

#include "ziparchive/platform/zip_platform.h"

namespace bramlow {

ziparchive::OsPath SystemPath(const std::string& path) {
#ifdef _WIN32
  return ziparchive::OsPath::FromUtf8(path);
#else
  return ziparchive::OsPath(path);
#endif
}

namespace {

using ziparchive::OsPath;

std::vector<std::string> Parts(std::string_view relative) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = relative.size();
    if (end > start) parts.emplace_back(relative.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// A kit file bigger than this is no script or language file; reading it would only cost memory.
constexpr int64_t kMaxReadSize = 64 << 20;

}  // namespace

std::string FoldedKitName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c == '/') c = '\\';
  }
  while (!folded.empty() && folded.back() == '\\') folded.pop_back();
  return folded;
}

DiskKitFolder::DiskKitFolder(std::string path) : path_(std::move(path)) {
  for (char& c : path_)
    if (c == '/') c = '\\';
  while (path_.size() > 1 && path_.back() == '\\' && !(path_.size() == 3 && path_[1] == ':'))
    path_.pop_back();
}

bool DiskKitFolder::Exists() const {
  return ziparchive::OsFolderExists(SystemPath(path_));
}

std::optional<std::string> DiskKitFolder::Resolve(std::string_view relative) const {
  std::string path = path_;
  for (const std::string& part : Parts(relative)) {
    if (part == "." || part == "..") return std::nullopt;
    std::string found;
#ifdef _WIN32
    // The system itself matches names without regard to case.
    found = part;
#else
    ziparchive::OsDirSearch search;
    if (!search.Open(SystemPath(path))) return std::nullopt;
    ziparchive::OsFindData data;
    const std::string folded = FoldedKitName(part);
    while (search.Next(data)) {
      if (data.name == part) {
        found = data.name;
        break;
      }
      if (found.empty() && FoldedKitName(data.name) == folded) found = data.name;
    }
    if (found.empty()) return std::nullopt;
#endif
    path += "\\" + found;
  }
  if (ziparchive::OsGetAttributes(SystemPath(path)) == ziparchive::fattr::kInvalid)
    return std::nullopt;
  return path;
}

std::optional<std::string> DiskKitFolder::Read(std::string_view relative) const {
  const auto path = Resolve(relative);
  if (!path || !IsFile(relative)) return std::nullopt;
  ziparchive::OsFile file;
  if (!file.Open(SystemPath(*path), ziparchive::OsAccess::Read, ziparchive::OsShare::DenyWrite))
    return std::nullopt;
  const int64_t size = file.Size();
  if (size < 0 || size > kMaxReadSize) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  bool failed = false;
  if (ziparchive::OsReadFull(file, bytes.data(), bytes.size(), &failed) != bytes.size() || failed)
    return std::nullopt;
  return bytes;
}

bool DiskKitFolder::IsFile(std::string_view relative) const {
  const auto path = Resolve(relative);
  return path && ziparchive::OsFileExists(SystemPath(*path));
}

bool DiskKitFolder::IsFolder(std::string_view relative) const {
  const auto path = Resolve(relative);
  return path && ziparchive::OsFolderExists(SystemPath(*path));
}

std::vector<std::string> DiskKitFolder::NamesIn(
    std::string_view relativeFolder, bool (*takes)(const ziparchive::OsFindData&)) const {
  std::vector<std::string> names;
  const auto path = Resolve(relativeFolder);
  ziparchive::OsDirSearch search;
  if (!path || !search.Open(SystemPath(*path))) return names;
  ziparchive::OsFindData data;
  while (search.Next(data)) {
    if (takes(data)) names.push_back(data.name);
  }
  return names;
}

std::vector<std::string> DiskKitFolder::FileNames(std::string_view relativeFolder) const {
  return NamesIn(relativeFolder, [](const ziparchive::OsFindData& data) {
    return !(data.attributes & ziparchive::fattr::kDirectory) && !data.special;
  });
}

std::vector<std::string> DiskKitFolder::FolderNames(std::string_view relativeFolder) const {
  return NamesIn(relativeFolder, [](const ziparchive::OsFindData& data) {
    return (data.attributes & ziparchive::fattr::kDirectory) && !data.link;
  });
}

std::vector<std::pair<std::string, std::string>> DiskKitFolder::Unpackable(
    std::string_view relativeFolder) const {
  std::vector<std::pair<std::string, std::string>> found;
  const auto path = Resolve(relativeFolder);
  ziparchive::OsDirSearch search;
  if (!path || !search.Open(SystemPath(*path))) return found;
  // As the archive's folder scan decides: a link is packed only when it leads to a file of
  // the kit's own tree.
  std::string root = ziparchive::OsResolvedPath(SystemPath(path_));
  if (!root.empty() && root.back() != '/') root += '/';
  constexpr uint32_t kReparsePoint = 0x400;
  ziparchive::OsFindData data;
  while (search.Next(data)) {
    const bool folder = (data.attributes & ziparchive::fattr::kDirectory) != 0;
    if (data.special) {
      found.emplace_back(data.name, "neither a file nor a folder (a pipe, device or broken link)");
    } else if (folder && (data.link || (data.attributes & kReparsePoint))) {
      found.emplace_back(data.name, "a link or junction to a folder, which the build does not follow");
    } else if (!folder && data.link) {
      const std::string target =
          ziparchive::OsResolvedPath(SystemPath(*path + "\\" + data.name));
      if (root.empty() || target.compare(0, root.size(), root) != 0)
        found.emplace_back(data.name, "a link that leads out of the kit");
    }
  }
  return found;
}

void MemoryKitFolder::Add(std::string relative, std::string bytes) {
  const std::string folded = FoldedKitName(relative);
  files_[folded] = std::move(bytes);
  names_[folded] = relative;
  for (size_t cut = folded.rfind('\\'); cut != std::string::npos && cut > 0;
       cut = folded.rfind('\\', cut - 1)) {
    AddFolder(relative.substr(0, cut));
  }
}

void MemoryKitFolder::AddFolder(std::string relative) {
  const std::string folded = FoldedKitName(relative);
  if (folded.empty()) return;
  folders_.emplace(folded, relative);
}

std::optional<std::string> MemoryKitFolder::Read(std::string_view relative) const {
  auto found = files_.find(FoldedKitName(relative));
  if (found == files_.end()) return std::nullopt;
  return found->second;
}

bool MemoryKitFolder::IsFile(std::string_view relative) const {
  return files_.count(FoldedKitName(relative)) > 0;
}

bool MemoryKitFolder::IsFolder(std::string_view relative) const {
  const std::string folded = FoldedKitName(relative);
  return folded.empty() || folders_.count(folded) > 0;
}

namespace {
// The names directly in folder among keys of map (folded key -> name as added).
std::vector<std::string> Children(const std::map<std::string, std::string>& map,
                                  std::string_view relativeFolder) {
  std::string prefix = FoldedKitName(relativeFolder);
  if (!prefix.empty()) prefix += '\\';
  std::vector<std::string> names;
  for (const auto& [folded, name] : map) {
    if (folded.compare(0, prefix.size(), prefix) != 0) continue;
    if (folded.find('\\', prefix.size()) != std::string::npos) continue;
    std::string bare = name;
    for (char& c : bare)
      if (c == '/') c = '\\';
    names.push_back(bare.substr(bare.rfind('\\') == std::string::npos ? 0 : bare.rfind('\\') + 1));
  }
  return names;
}
}  // namespace

std::vector<std::string> MemoryKitFolder::FileNames(std::string_view relativeFolder) const {
  return Children(names_, relativeFolder);
}

std::vector<std::string> MemoryKitFolder::FolderNames(std::string_view relativeFolder) const {
  return Children(folders_, relativeFolder);
}

}  // namespace bramlow
