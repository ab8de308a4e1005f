#include "scratch_folder.h"

#include <atomic>
#include <stdexcept>
#include <string>
#include <system_error>

#include "testing/support/tree_removal.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace testsupport {

namespace {

// In the name, so that test programs running at the same time never share a folder.
unsigned ProcessId() {
#ifdef _WIN32
  return static_cast<unsigned>(_getpid());
#else
  return static_cast<unsigned>(getpid());
#endif
}

}  // namespace

ScratchFolder::ScratchFolder(std::string_view label) {
  static std::atomic<unsigned> sequence{0};
  const fs::path temp = fs::temp_directory_path();
  const std::string stem = std::string(label) + "_" + std::to_string(ProcessId()) + "_";
  // A folder left by an earlier run that ended early keeps its name; the next number is taken.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    path_ = (temp / (stem + std::to_string(++sequence))).make_preferred();
    std::error_code error;
    if (fs::create_directory(path_, error)) return;
    if (error) throw std::runtime_error("cannot make a scratch folder: " + error.message());
  }
  throw std::runtime_error("no free scratch folder name under " + temp.string());
}

ScratchFolder::~ScratchFolder() {
  RemoveTree(path_);
}

NativePath ScratchFolder::operator/(const NativePath& name) const {
  return path_.native() + NativePath(1, fs::path::preferred_separator) + name;
}

}  // namespace testsupport
