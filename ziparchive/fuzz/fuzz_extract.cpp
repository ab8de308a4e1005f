// Arbitrary bytes as an archive, extracted with stored folders into a scratch folder. Beyond
// no crash and no hang: no member's output grows past the size the archive states for it,
// and nothing is written anywhere but the extraction folder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "ziparchive/archive/unzip.h"
#include "ziparchive/platform/zip_platform.h"
#include "ziparchive/records/wildcard.h"
#include "testing/support/tree_removal.h"
#include "../tests/zip_builder.h"

using namespace ziparchive;

namespace {
// Gives the check the size the archive states for the member being written.
class CheckedUnZip : public TUnZip {
 public:
  uint64_t StatedSize() const { return FStatedSize; }
};

// The entries of folder as paths (folders end in "\"), and below it as deep as told.
void List(const std::string& folder, std::set<std::string>& out, bool deep) {
  OsDirSearch s;
  OsFindData d;
  if (!s.Open(folder)) return;
  while (s.Next(d)) {
    std::string path = folder + "\\" + d.name;
    if (d.attributes & fattr::kDirectory) {
      out.insert(path + "\\");
      if (deep) List(path, out, true);
    } else {
      out.insert(path);
    }
  }
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// What libFuzzer itself may leave in the working folder.
bool FuzzerOwn(const std::string& name) {
  for (const char* p : {"crash-", "leak-", "timeout-", "oom-", "slow-unit-"})
    if (StartsWith(name, p)) return true;
  return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string cwd = OsCurrentFolder();
  // Deep enough that a stored "..\..\" lands inside what is watched.
  static const std::string scratch = cwd + "\\fuzz_extract_scratch";
  static const std::string base = scratch + "\\a\\b\\c\\d\\e";
  static const std::string out = base + "\\out";
  // The working folder's own entries (libFuzzer's corpus grows below them, unwatched).
  static const std::set<std::string> before = [] {
    std::set<std::string> s;
    List(cwd, s, false);
    return s;
  }();
  OsForceFolders(out);
  WriteBytes(base + "\\a.zip", std::string(reinterpret_cast<const char*>(data), size));
  CheckedUnZip zip;
  zip.FileSpec = {"*"};
  zip.RecurseDirs = true;
  zip.UseStoredDirs = true;
  zip.CreateStoredDirs = true;
  zip.Passwords = {"", "test"};  // reaches the decryption path now and then
  // Into a new folder, as a self-extractor unpacks, for inputs of odd length.
  zip.NewFilesOnly = size % 2 == 1;
  zip.OnError = [](TZipCommon&, const std::string&, const std::string&, const std::string&, int) {};
  zip.OnProgress = [&zip](TUnBase& s, uint64_t file, uint64_t total) {
    if (file > zip.StatedSize()) std::abort();  // output past the stated size
    // A few bytes can announce gigabytes; the fuzzer only needs the first few megabytes.
    if (total > (4u << 20)) s.Cancel();
  };
  zip.SetArchiveFile(base + "\\a.zip");
  zip.SetExtractDir(out);
  zip.Extract();
  zip.Test();

  std::set<std::string> now;
  List(cwd, now, false);
  List(scratch, now, true);
  for (const std::string& p : now) {
    if (before.count(p) || StartsWith(p, out + "\\") || p == base + "\\a.zip") continue;
    if (StartsWith(p, scratch + "\\") && StartsWith(base + "\\", p))
      continue;  // the folders down to base
    if (p == scratch + "\\" || FuzzerOwn(NameFilePart(p))) continue;
    std::fprintf(stderr, "written outside the extraction folder: %s\n", p.c_str());
    std::abort();  // written outside the extraction folder
  }
  testsupport::RemoveTree(HostPath(out));
  return 0;
}
