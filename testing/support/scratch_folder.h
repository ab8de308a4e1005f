// A fresh, empty folder of its own for one test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <string_view>

#include "testing/support/native_path.h"

namespace testsupport {

class ScratchFolder {
 public:
  // Made under the system's temporary folder; the name starts with the label and never
  // collides with another scratch folder, of this process or of a test running beside it.
  explicit ScratchFolder(std::string_view label = "kvtest");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The full path without a trailing separator, in the form the system's calls take.
  const NativePath& Path() const { return path_.native(); }
  // A name inside the folder; "sub\\name" reaches deeper on Windows.
  NativePath operator/(const NativePath& name) const;

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
