// A scratch file that is deleted unless it was renamed into place.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace resedit {

class ScratchFile {
 public:
  ScratchFile() = default;
  explicit ScratchFile(std::wstring path) : path_(std::move(path)) {}
  ScratchFile(ScratchFile&& o) noexcept : path_(std::exchange(o.path_, {})) {}
  ScratchFile& operator=(ScratchFile&&) = delete;
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile() {
    if (!path_.empty()) {
      SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path_.c_str());
    }
  }
  const std::wstring& path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::wstring path_;
};

}  // namespace resedit
