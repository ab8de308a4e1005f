// A scratch folder with an archive beside an "out" folder, for the reader's tests; every
// report is recorded.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ziparchive/archive/unzip.h"
#include "ziparchive/records/zip_messages.h"
#include "ziparchive/platform/zip_platform.h"
#include "testing/support/scratch_folder.h"
#include "testing/support/tree_removal.h"
#include "zip_builder.h"

using namespace ziparchive;

class UnZipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Root = std::filesystem::path(Scratch.Path()).string();
    ASSERT_TRUE(OsForceFolders(Root + "\\out"));
    Out = Root + "\\out\\";
    Zip.OnError = [this](TZipCommon&, const std::string& file, const std::string& extended, const std::string&, int code) {
      Codes.push_back(code);
      Extended.push_back(extended);
      Files.push_back(file);
    };
    Zip.FileSpec = {"*.*"};
  }

  void Use(const std::string& bytes) {
    WriteBytes(Root + "\\a.zip", bytes);
    Zip.SetArchiveFile(Root + "\\a.zip");
    Zip.SetExtractDir(Root + "\\out");
  }
  bool Exists(const std::string& rel) { return OsFileExists(Out + rel); }
  std::string Content(const std::string& rel) { return ReadBytes(Out + rel); }
  int Count(int code) const { return int(std::count(Codes.begin(), Codes.end(), code)); }
  // Whether some report of `code` carries `text` in its ExtendedMsg.
  bool Said(int code, const std::string& text) const {
    for (size_t i = 0; i < Codes.size(); ++i)
      if (Codes[i] == code && Extended[i].find(text) != std::string::npos) return true;
    return false;
  }
  // Names in the folder (files and folders), as the system lists them.
  std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    OsDirSearch s;
    OsFindData d;
    if (s.Open(folder))
      while (s.Next(d)) names.push_back(d.Name);
    std::sort(names.begin(), names.end());
    return names;
  }

  testsupport::ScratchFolder Scratch{"kvunzip"};
  TUnZip Zip;
  std::string Root, Out;
  std::vector<int> Codes;
  std::vector<std::string> Extended, Files;
};
