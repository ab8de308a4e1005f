// Arbitrary bytes as the existing archive a Compress updates: no crash, no read outside the
// file; whenever the update does not succeed the file stays exactly as it was, and when it
// does, every member the old archive listed is still in the new one.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <algorithm>

#include "ziparchive/archive/zip_directory.h"
#include "ziparchive/platform/zip_platform.h"
#include "ziparchive/archive/zip_writer.h"

using namespace ziparchive;

namespace {

std::string Engine(std::string p) {
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

void Put(const std::string& path, const void* data, std::size_t n) {
  OsFile f;
  if (!f.Create(path, OsShare::Exclusive) || f.Write(data, n) != n) std::abort();
}

std::vector<std::uint8_t> Get(const std::string& path) {
  std::vector<std::uint8_t> out;
  OsFile f;
  if (!f.Open(path, OsAccess::Read, OsShare::DenyNone)) return out;
  std::uint8_t buf[65536];
  for (std::int64_t n; (n = f.Read(buf, sizeof buf)) > 0;) out.insert(out.end(), buf, buf + n);
  return out;
}

// The stored names an archive's directory lists, walked as far as the file holds entries.
std::vector<std::string> Listed(const std::string& path) {
  std::vector<std::string> names;
  OsFile f;
  CentralDirLocation where;
  if (!f.Open(path, OsAccess::Read, OsShare::DenyNone) || !LocateCentralDirectory(f, where)) return names;
  WalkCentralDirectory(f, where.centralDirStart, UINT64_MAX, [&](const CentralEntry& e) {
    names.push_back(e.rawName);
    return true;
  });
  std::sort(names.begin(), names.end());
  return names;
}

struct Workspace {
  std::string root, archive, src, temp;
  Workspace() {
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
  static Workspace ws;
  Put(ws.archive, data, size);
  const std::vector<std::string> before = Listed(ws.archive);
  TZip zip;
  zip.SetArchiveFile(ws.archive);
  zip.FileSpec = {ws.src + "\\*"};
  zip.TempDir = ws.temp;
  int added = zip.Compress();
  std::vector<std::uint8_t> after = Get(ws.archive);
  if (added == 0 && after != std::vector<std::uint8_t>(data, data + size)) std::abort();
  if (added > 0) {
    // Nothing the old directory listed may be lost, and only the added files are new.
    std::vector<std::string> now = Listed(ws.archive);
    if (!std::includes(now.begin(), now.end(), before.begin(), before.end())) std::abort();
    if (now.size() != before.size() + std::size_t(added)) std::abort();
  }
  OsDirSearch s;
  OsFindData d;
  if (s.Open(ws.temp) && s.Next(d)) std::abort();  // a temporary file was left behind
  return 0;
}
