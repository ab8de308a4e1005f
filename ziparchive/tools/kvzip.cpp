// kvzip: command-line front end to the ZIP engine, for benchmarks and outside checks.
//   kvzip t ARCHIVE          decode every member and check its CRC, write nothing
//   kvzip x ARCHIVE FOLDER   extract with stored folders (empty ones too), recursing into them
//   (t and x take leading -pPASSWORD options for encrypted members)
//   kvzip a ARCHIVE FOLDER   pack the folder's tree (names relative to FOLDER) into ARCHIVE
//   kvzip -s a ARCHIVE FOLDER   the same, each folder's entries in name order (byte order):
//                            with fixed file times the same tree always packs to the same bytes
// Silent on success; exit code 0 only when the engine reported no problem.
#include <cstdio>
#include <string>
#include <vector>

#include "ziparchive/archive/unzip.h"
#include "ziparchive/records/zip_messages.h"
#include "ziparchive/platform/zip_platform.h"
#include "ziparchive/archive/zip_writer.h"

using namespace ziparchive;

namespace {
int gProblems = 0;
// Leading "-pPASSWORD" options give passwords for encrypted members.
std::vector<std::string> gPasswords;
// "-s": pack in name order rather than in the order the file system lists the folders.
bool gNameOrder = false;

void CountProblem(TZipCommon&, const std::string& file, const std::string& extended, const std::string&, int code) {
  ++gProblems;
  std::fprintf(stderr, "kvzip: %s: %s%s%s (%d)\n", file.c_str(), ZipMessageText(code),
               extended.empty() ? "" : " - ", extended.c_str(), code);
}

int Usage() {
  std::fprintf(stderr, "usage: kvzip [-pPASSWORD] t ARCHIVE | kvzip [-pPASSWORD] x ARCHIVE FOLDER | kvzip [-s] a ARCHIVE FOLDER\n");
  return 2;
}

void PrepareReader(TUnZip& unzip, const std::string& archive) {
  unzip.OnError = CountProblem;
  unzip.Passwords = gPasswords;
  unzip.FileSpec = {"*"};
  unzip.RecurseDirs = true;
  unzip.UseStoredDirs = true;
  unzip.SetArchiveFile(archive);
  if (unzip.ArchiveFile().empty()) {
    ++gProblems;
    std::fprintf(stderr, "kvzip: %s: %s\n", archive.c_str(), ZipMessageText(zipmsg::kFileNotFound));
  }
}

// The writer takes the folder of ArchiveFile literally; give it full paths.
std::string FullPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  bool absolute = (!path.empty() && path[0] == '\\') || (path.size() > 1 && path[1] == ':');
  if (absolute) return path;
  std::string cwd = OsCurrentFolder();
  for (char& c : cwd)
    if (c == '/') c = '\\';
  if (!cwd.empty() && cwd.back() != '\\') cwd += '\\';
  return cwd + path;
}

void Pack(const std::string& archive, const std::string& folder) {
  TZip zip;
  zip.OnError = CountProblem;
  zip.SetArchiveFile(FullPath(archive));
  zip.ScanInNameOrder = gNameOrder;
  std::string root = FullPath(folder);
  while (root.size() > 1 && root.back() == '\\') root.pop_back();
  zip.FileSpec = {root + "\\*"};
  zip.Compress();
}

int Run(std::vector<std::string> args) {
  while (!args.empty() && (args[0].rfind("-p", 0) == 0 || args[0] == "-s")) {
    if (args[0] == "-s")
      gNameOrder = true;
    else
      gPasswords.push_back(args[0].substr(2));
    args.erase(args.begin());
  }
  if (args.size() < 2) return Usage();
  const std::string& command = args[0];
  if (gNameOrder && command != "a") return Usage();
  if (command == "t" && args.size() == 2) {
    TUnZip unzip;
    PrepareReader(unzip, args[1]);
    if (!unzip.ArchiveFile().empty()) unzip.Test();
  } else if (command == "x" && args.size() == 3) {
    TUnZip unzip;
    PrepareReader(unzip, args[1]);
    unzip.SetExtractDir(args[2]);
    unzip.CreateStoredDirs = true;
    if (!unzip.ArchiveFile().empty()) unzip.Extract();
  } else if (command == "a" && args.size() == 3) {
    Pack(args[1], args[2]);
  } else {
    return Usage();
  }
  return gProblems == 0 ? 0 : 1;
}
}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(OsAnsiFromWide(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
