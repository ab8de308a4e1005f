// Packages made on the fly for the tests that read them back.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "korvel/test_support/test_files.h"
#include "korvel/library/zip_packages.h"

namespace korvel::testing {

// Packs the given files (names may hold one folder level) into archive.
inline void PackFiles(const std::wstring& archive, const std::map<std::wstring, std::string>& files) {
  ScratchFolder source("kvsrc");
  for (const auto& [name, bytes] : files) {
    const std::size_t slash = name.find(L'\\');
    if (slash != std::wstring::npos) CreateDirectoryW((source / name.substr(0, slash)).c_str(), nullptr);
    WriteBytes(source / name, bytes);
  }
  ZipPackageWriter packer;
  packer.zipPack.RecurseDirs = true;
  ASSERT_TRUE(packer.PackFolder(archive, source.Path()));
}

// Gives members names no folder could hold ("a:b.bmp"): each stored name `from` (in the local
// and the central header alike) becomes `to`, of the same length; the data stays as packed.
inline void RenameStored(const std::wstring& archive,
                         const std::vector<std::pair<std::string, std::string>>& renames) {
  std::string bytes = ReadBytes(archive);
  for (const auto& [from, to] : renames) {
    ASSERT_EQ(from.size(), to.size()) << from;
    int found = 0;
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1)) {
      bytes.replace(at, to.size(), to);
      ++found;
    }
    ASSERT_EQ(found, 2) << from;
  }
  WriteBytes(archive, bytes);
}

}  // namespace korvel::testing
