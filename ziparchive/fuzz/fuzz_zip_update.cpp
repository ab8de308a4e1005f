// Arbitrary bytes as the existing archive a Compress updates: no crash, no read outside the
// file, and whenever the update does not succeed the file stays exactly as it was.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ZipPlatform.h"
#include "ZipWriter.h"

namespace {

std::string Engine(std::string p) {
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

void Put(const std::string& path, const void* data, std::size_t n) {
  TOsFile f;
  if (!f.Create(path, TOsShare::Exclusive) || f.Write(data, n) != n) std::abort();
}

std::vector<std::uint8_t> Get(const std::string& path) {
  std::vector<std::uint8_t> out;
  TOsFile f;
  if (!f.Open(path, TOsAccess::Read, TOsShare::DenyNone)) return out;
  std::uint8_t buf[65536];
  for (std::int64_t n; (n = f.Read(buf, sizeof buf)) > 0;) out.insert(out.end(), buf, buf + n);
  return out;
}

struct TWorkspace {
  std::string root, archive, src, temp;
  TWorkspace() {
    root = Engine(OsCurrentFolder()) + "\\zipupdate\\";
    src = root + "src";
    temp = root + "temp";
    archive = root + "old.zip";
    OsForceFolders(src);
    OsForceFolders(temp);
    Put(src + "\\new.txt", "a file the update adds\r\n", 24);
    Put(src + "\\theme.ini", "[theme]\r\n", 9);  // a name seeds also hold
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TWorkspace ws;
  Put(ws.archive, data, size);
  TZip zip;
  zip.SetArchiveFile(ws.archive);
  zip.FileSpec = {ws.src + "\\*"};
  zip.TempDir = ws.temp;
  int added = zip.Compress();
  std::vector<std::uint8_t> after = Get(ws.archive);
  if (added == 0 && after != std::vector<std::uint8_t>(data, data + size)) std::abort();
  TOsDirSearch s;
  TOsFindData d;
  if (s.Open(ws.temp) && s.Next(d)) std::abort();  // a temporary file was left behind
  return 0;
}
