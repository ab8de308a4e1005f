// The library of logon packages: the ".kvl" files in the folder "logons\" beside the program.
#pragma once
#include <string>
#include <vector>

namespace korvel {

enum class DeleteOutcome {
  Deleted,   // gone afterwards, whoever removed it
  IsFolder,  // a folder named like a package: listed, but never deleted
  Failed,    // still there (read-only, in use)
};

class LogonLibrary {
 public:
  // programFolder ends with a backslash.
  explicit LogonLibrary(const std::wstring& programFolder);

  const std::wstring& Folder() const { return folder_; }
  // The package names (file name with extension), in the file system's order. Every match of
  // "*.kvl" counts, folders included. Empty when the folder is missing.
  std::vector<std::wstring> Packages() const;
  std::wstring PackagePath(const std::wstring& name) const { return folder_ + name; }
  // An empty name is Failed: there is nothing to delete.
  DeleteOutcome Delete(const std::wstring& name) const;

 private:
  std::wstring folder_;
};

}  // namespace korvel
