// Arbitrary bytes as an archive, extracted with stored folders into a scratch folder.
#include <cstdint>
#include <string>

#include "UnZip.h"
#include "ZipPlatform.h"
#include "../tests/remove_tree.h"
#include "../tests/zip_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string base = OsCurrentFolder() + "\\fuzz_extract_scratch";
  OsForceFolders(base + "\\out");
  WriteBytes(base + "\\a.zip", std::string(reinterpret_cast<const char*>(data), size));
  TUnZip zip;
  zip.FileSpec = {"*"};
  zip.RecurseDirs = true;
  zip.UseStoredDirs = true;
  zip.CreateStoredDirs = true;
  zip.Passwords = {"", "test"};  // reaches the decryption path now and then
  zip.OnError = [](TZipCommon&, const std::string&, const std::string&, const std::string&, int) {};
  // A few bytes can announce gigabytes; the fuzzer only needs the first few megabytes.
  zip.OnProgress = [](TUnBase& s, uint64_t, uint64_t total) {
    if (total > (4u << 20)) s.Cancel();
  };
  zip.SetArchiveFile(base + "\\a.zip");
  zip.SetExtractDir(base + "\\out");
  zip.Extract();
  zip.Test();
  RemoveTree(base + "\\out");
  return 0;
}
