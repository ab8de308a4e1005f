// The files of a kit as the checker and the builder see them: on disk, or in memory for the
// tests and the fuzz target. Names inside a kit are matched as Windows matches them, without
// regard to the case of ASCII letters, whatever the file system below.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ziparchive/platform/zip_platform.h"

namespace bramlow {

// A path as the kit tools take it (UTF-8 text on Windows, the host's bytes elsewhere) in the
// form the ZIP engine's system layer takes.
ziparchive::OsPath SystemPath(const std::string& path);

class KitFolder {
 public:
  virtual ~KitFolder() = default;
  // relative: "\"-separated path inside the kit ("app\readme.txt"); "" is the kit itself.
  // The file's bytes; nothing when it is absent, a folder or cannot be read.
  virtual std::optional<std::string> Read(std::string_view relative) const = 0;
  virtual bool IsFile(std::string_view relative) const = 0;
  virtual bool IsFolder(std::string_view relative) const = 0;
  // The names of the files (not folders) directly in a folder of the kit.
  virtual std::vector<std::string> FileNames(std::string_view relativeFolder) const = 0;
  // The names of the folders directly in a folder of the kit.
  virtual std::vector<std::string> FolderNames(std::string_view relativeFolder) const = 0;
  // Whether the names come in UTF-8 (Windows gives them so) rather than as the bytes the
  // file system holds, which the kit's code page must then read.
  virtual bool NamesAreUtf8() const { return false; }
  // Entries directly in a folder that the builder cannot pack, each with why not (a pipe,
  // device or broken link; a link to a folder; a link that leads out of the kit).
  virtual std::vector<std::pair<std::string, std::string>> Unpackable(
      std::string_view relativeFolder) const {
    (void)relativeFolder;
    return {};
  }
};

// A kit folder on disk. path: the folder in the form the system takes (UTF-8 on Windows).
class DiskKitFolder final : public KitFolder {
 public:
  explicit DiskKitFolder(std::string path);
  const std::string& Path() const { return path_; }
  // Whether the folder is there at all.
  bool Exists() const;

  std::optional<std::string> Read(std::string_view relative) const override;
  bool IsFile(std::string_view relative) const override;
  bool IsFolder(std::string_view relative) const override;
  std::vector<std::string> FileNames(std::string_view relativeFolder) const override;
  std::vector<std::string> FolderNames(std::string_view relativeFolder) const override;
#ifdef _WIN32
  bool NamesAreUtf8() const override { return true; }
#endif
  std::vector<std::pair<std::string, std::string>> Unpackable(
      std::string_view relativeFolder) const override;

  // The path on disk of a name inside the kit, as the system found it (the case the file
  // system holds); nothing when it is not there.
  std::optional<std::string> Resolve(std::string_view relative) const;

 private:
  // The names of a folder's entries that `takes` takes.
  std::vector<std::string> NamesIn(std::string_view relativeFolder,
                                   bool (*takes)(const ziparchive::OsFindData&)) const;

  std::string path_;  // "\"-separated, without a trailing separator
};

// A kit held in memory: relative name -> bytes; folders are those the names imply, and any
// name ending in "\" (an empty folder).
class MemoryKitFolder final : public KitFolder {
 public:
  void Add(std::string relative, std::string bytes);
  void AddFolder(std::string relative);

  std::optional<std::string> Read(std::string_view relative) const override;
  bool IsFile(std::string_view relative) const override;
  bool IsFolder(std::string_view relative) const override;
  std::vector<std::string> FileNames(std::string_view relativeFolder) const override;
  std::vector<std::string> FolderNames(std::string_view relativeFolder) const override;

 private:
  std::map<std::string, std::string> files_;    // by folded name
  std::map<std::string, std::string> names_;    // folded name -> name as added
  std::map<std::string, std::string> folders_;  // folded -> as added
};

// The letters a to z upper-cased and "/" turned into "\": how Windows compares names.
std::string FoldedKitName(std::string_view name);

}  // namespace bramlow
