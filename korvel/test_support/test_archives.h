// Packages made on the fly for the tests that read them back.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

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

}  // namespace korvel::testing
