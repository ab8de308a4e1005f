// Stand-ins for the archive engine: a reader that lists and "extracts" a fixed set of files, and
// a writer that records what it was asked to pack.
#pragma once
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "korvel/library/package_archive.h"
#include "korvel/shared/folder_utils.h"
#include "korvel/test_support/test_files.h"

namespace korvel::testing {

class FakeReader : public IPackageReader {
 public:
  // In the archive's order; a name may come twice. Written unless the name already exists.
  std::vector<std::pair<std::wstring, std::string>> members;
  // Names the engine will not write as files, with its reason.
  std::map<std::wstring, std::wstring> refused;
  bool readable = true;
  int calls = 0;
  std::set<std::wstring> foundInFolder;  // what the extract folder held when extraction began
  std::vector<std::wstring> extracted;   // the names ExtractFiles was asked for, in order
  std::function<void(const std::wstring& folder)> afterExtract;  // to disturb what follows

  bool ExtractRoot(const std::wstring& archive, const std::wstring& folder) override {
    ++calls;
    foundInFolder = NamesIn(folder);
    for (const auto& [name, bytes] : members) {
      if (!FileExists(folder + L"\\" + name)) WriteBytes(folder + L"\\" + name, bytes);
    }
    if (afterExtract) afterExtract(folder);
    return readable;
  }

  std::optional<std::vector<PackageFile>> ListFiles(const std::wstring&) override {
    if (!readable) return std::nullopt;
    std::vector<PackageFile> files;
    for (const auto& [name, bytes] : members) files.push_back({name, bytes.size()});
    return files;
  }

  bool ExtractFiles(const std::wstring&, const std::wstring& folder,
                    const std::vector<std::size_t>& chosen,
                    std::vector<RefusedFile>& refusedFiles) override {
    ++calls;
    foundInFolder = NamesIn(folder);
    extracted.clear();
    refusedFiles.clear();
    for (std::size_t index : chosen) {
      const auto& [name, bytes] = members.at(index);
      extracted.push_back(name);
      if (const auto refusal = refused.find(name); refusal != refused.end())
        refusedFiles.push_back({index, refusal->second});
      else if (!FileExists(folder + L"\\" + name))
        WriteBytes(folder + L"\\" + name, bytes);
    }
    if (afterExtract) afterExtract(folder);
    return readable;
  }
};

class FakeWriter : public IPackageWriter {
 public:
  bool succeeds = true;
  bool leavesReadOnly = false;  // as a writer that copies the attributes of its sources
  int calls = 0;
  std::wstring packedFolder;
  std::map<std::wstring, std::string> packed;  // the folder's files when packing began

  bool PackFolder(const std::wstring& archive, const std::wstring& folder) override {
    ++calls;
    packedFolder = folder;
    packed.clear();
    for (const std::wstring& name : ListFiles(folder + L"\\*"))
      packed[name] = ReadBytes(folder + L"\\" + name);
    if (!succeeds) {
      WriteBytes(archive, "half");  // a writer that fails part way leaves a partial file
      return false;
    }
    std::string bytes = "PACKED";
    for (const auto& [name, content] : packed) bytes += "|" + std::string(name.begin(), name.end());
    WriteBytes(archive, bytes);
    if (leavesReadOnly) SetFileAttributesW(archive.c_str(), FILE_ATTRIBUTE_READONLY);
    return true;
  }
};

}  // namespace korvel::testing
