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
    root_ = std::filesystem::path(scratch_.Path()).string();
    ASSERT_TRUE(OsForceFolders(root_ + "\\out"));
    out_ = root_ + "\\out\\";
    zip_.OnError = [this](TZipCommon&, const std::string& file, const std::string& extended, const std::string&, int code) {
      codes_.push_back(code);
      extended_.push_back(extended);
      files_.push_back(file);
    };
    zip_.FileSpec = {"*.*"};
  }

  void Use(const std::string& bytes) {
    WriteBytes(root_ + "\\a.zip", bytes);
    zip_.SetArchiveFile(root_ + "\\a.zip");
    zip_.SetExtractDir(root_ + "\\out");
  }
  bool Exists(const std::string& rel) { return OsFileExists(out_ + rel); }
  std::string Content(const std::string& rel) { return ReadBytes(out_ + rel); }
  int Count(int code) const { return int(std::count(codes_.begin(), codes_.end(), code)); }
  // Whether some report of `code` carries `text` in its ExtendedMsg.
  bool Said(int code, const std::string& text) const {
    for (size_t i = 0; i < codes_.size(); ++i)
      if (codes_[i] == code && extended_[i].find(text) != std::string::npos) return true;
    return false;
  }
  // Names in the folder (files and folders), as the system lists them.
  std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    OsDirSearch s;
    OsFindData d;
    if (s.Open(folder))
      while (s.Next(d)) names.push_back(d.name);
    std::sort(names.begin(), names.end());
    return names;
  }

  testsupport::ScratchFolder scratch_{"kvunzip"};
  TUnZip zip_;
  std::string root_, out_;
  std::vector<int> codes_;
  std::vector<std::string> extended_, files_;
};
