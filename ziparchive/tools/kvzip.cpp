// kvzip: command-line front end to the ZIP engine, for benchmarks and outside checks.
//   kvzip t ARCHIVE          decode every member and check its CRC, write nothing
//   kvzip x ARCHIVE FOLDER   extract with stored folders (empty ones too), recursing into them
//   kvzip l ARCHIVE          list the members as the directory states them (nothing decoded)
//   (t, x and l take leading -pPASSWORD options for encrypted members)
//   kvzip a ARCHIVE FOLDER   pack the folder's tree (names relative to FOLDER) into ARCHIVE
//   kvzip -s a ARCHIVE FOLDER   the same, each folder's entries in name order (byte order):
//                            with fixed file times the same tree always packs to the same bytes
// Silent on success (l prints its listing); exit code 0 only when nothing was reported.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "ziparchive/archive/unzip.h"
#include "ziparchive/archive/zip_writer.h"
#include "ziparchive/platform/dos_date_time.h"
#include "ziparchive/platform/zip_platform.h"
#include "ziparchive/records/member_name.h"
#include "ziparchive/records/zip_messages.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

using namespace ziparchive;

namespace {
int gProblems = 0;
// Leading "-pPASSWORD" options give passwords for encrypted members.
std::vector<std::string> gPasswords;
// "-s": pack in name order rather than in the order the file system lists the folders.
bool gNameOrder = false;

// Text as the terminal gets it: control bytes (a NUL in a stored name, say) escaped as \xNN,
// so that nothing is cut or hidden; the native build also escapes what is not UTF-8 and
// writes paths with its own separator.
std::string Shown(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool escaped = c < 0x20 || c == 0x7F;
#ifndef _WIN32
    if (c == '\\') c = '/';
    if (c >= 0x80) {
      // A whole UTF-8 sequence goes out as it is.
      size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
      if (len && i + len <= text.size() && IsValidUtf8(std::string_view(text).substr(i, len))) {
        out.append(text, i, len);
        i += len - 1;
        continue;
      }
      escaped = true;
    }
#endif
    if (escaped) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += char(c);
    }
  }
  return out;
}

// One problem: the engine's with its number, kvzip's own (code 0) without. A notice is said
// the same way but is no problem.
void Say(const std::string& file, const std::string& what, int code = 0) {
  if (code != zipmsg::kLeftoverRemoved) ++gProblems;
  if (code)
    std::fprintf(stderr, "kvzip: %s: %s (%d)\n", Shown(file).c_str(), what.c_str(), code);
  else
    std::fprintf(stderr, "kvzip: %s: %s\n", Shown(file).c_str(), what.c_str());
}

// What the engine reports, in words for a user: the decisions kvzip takes itself are told
// as such, never by the name of an event.
void CountProblem(TZipCommon&, const std::string& file, const std::string& extended,
                  const std::string&, int code) {
  std::string what;
  if (code == zipmsg::kNoPasswordFits)
    what = "wrong password or none given; use -p";
  else if (code == zipmsg::kRequiredEventNotAssigned && extended == "OnNonWriteableArchive")
    what = "the archive is read-only, hidden or a system file; it is left as it is";
  else if (code == zipmsg::kRequiredEventNotAssigned)
    what = "needs a decision kvzip does not take; nothing done";
  else
    what = std::string(ZipMessageText(code)) + (extended.empty() ? "" : " - " + Shown(extended));
  Say(file, what, code);
}

int Usage() {
  std::fprintf(
      stderr,
      "usage: kvzip [-pPASSWORD] t|l ARCHIVE | kvzip [-pPASSWORD] x ARCHIVE FOLDER | kvzip [-s] a "
      "ARCHIVE FOLDER\n");
  return 2;
}

void PrepareReader(TUnZip& unzip, const std::string& archive) {
  unzip.OnError = CountProblem;
  unzip.Passwords = gPasswords;
  // No one to ask: the member is skipped and said so (kNoPasswordFits).
  unzip.OnGetPassword = [](TUnBase&, const std::string&, std::string&) {};
  unzip.FileSpec = {"*"};
  unzip.RecurseDirs = true;
  unzip.UseStoredDirs = true;
  unzip.SetArchiveFile(archive);
  if (unzip.ArchiveFile().empty())
    Say(archive, ZipMessageText(zipmsg::kFileNotFound), zipmsg::kFileNotFound);
}

const char* MethodName(uint16_t method) {
  switch (method) {
    case 0:
      return "Stored";
    case 1:
      return "Shrunk";
    case 2:
    case 3:
    case 4:
    case 5:
      return "Reduced";
    case 6:
      return "Imploded";
    case 8:
      return "Deflated";
    case 9:
      return "Deflate64";
    case 12:
      return "BZip2";
    case 14:
      return "LZMA";
    case 99:
      return "AES";
    default:
      return nullptr;
  }
}

// The native build shows a name stored in UTF-8 as it is: its host's names are UTF-8 text.
const std::string& ListedName(const TUnZip::ListedMember& m) {
#ifdef _WIN32
  return m.name;
#else
  return m.utf8.empty() ? m.name : m.utf8;
#endif
}

void List(TUnZip& unzip) {
  std::vector<TUnZip::ListedMember> members = unzip.List(true);
  std::printf("%12s %12s  %-10s %-16s  %-8s  %s\n", "Size", "Packed", "Method", "Date", "CRC-32",
              "Name");
  uint64_t size = 0, packed = 0;
  for (const TUnZip::ListedMember& m : members) {
    const char* name = MethodName(m.method);
    std::string method = name ? name : "method " + std::to_string(m.method);
    if (m.flags & 1) method += "*";  // encrypted
    DosDateTime t = UnpackDosDateTime(m.dosDateTime);
    std::printf("%12llu %12llu  %-10s %04d-%02d-%02d %02d:%02d  %08X  %s\n",
                static_cast<unsigned long long>(m.uncompressedSize),
                static_cast<unsigned long long>(m.compressedSize), method.c_str(), t.year, t.month,
                t.day, t.hour, t.minute, m.crc32, Shown(ListedName(m)).c_str());
    size += m.uncompressedSize;
    packed += m.compressedSize;
  }
  std::printf("%12llu %12llu  %zu members\n", static_cast<unsigned long long>(size),
              static_cast<unsigned long long>(packed), members.size());
}

// Interruption: the running component is told to stop (extraction then removes the member
// it was writing, a file it was replacing stays); packing's temporary archive is removed at
// once. The exit code is then 130.
std::string gTemporary;
volatile std::sig_atomic_t gInterrupted = 0;
TZipCommon* gRunning = nullptr;
#ifdef _WIN32
HANDLE gRunDone = nullptr;
BOOL WINAPI OnConsoleSignal(DWORD) {
  // The component stops at its next check and cleans up itself; the process ends once it has.
  gInterrupted = 1;
  if (gRunning) gRunning->Cancel();
  if (gRunDone) WaitForSingleObject(gRunDone, 30000);
  return TRUE;
}
#else
std::vector<char> gTemporaryHost;  // the path as the signal handler hands it to unlink
extern "C" void OnSignal(int signal) {
  if (!gTemporaryHost.empty()) {
    unlink(gTemporaryHost.data());
    _exit(128 + signal);
  }
  gInterrupted = 1;
  if (gRunning) gRunning->Cancel();
}
#endif

// Runs one operation of a component with the interruption above in place.
template <typename Operation>
void Interruptible(TZipCommon& component, Operation operation) {
  gRunning = &component;
#ifdef _WIN32
  gRunDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleSignal, TRUE);
  operation();
  gRunning = nullptr;
  SetEvent(gRunDone);
#else
  struct sigaction action {};
  action.sa_handler = OnSignal;
  // A second signal ends kvzip at once, should the component not come to a check.
  action.sa_flags = SA_RESETHAND;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  operation();
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
  gRunning = nullptr;
#endif
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
  // An update keeps a member whose name a file has: said so, and the file is not added.
  zip.OnReplaceFile = [](TCompBase&, const std::string&, bool& replace) { replace = false; };
  zip.OnRenameDupeFile = [](TCompBase&, const std::string& name, std::string&) {
    Say(name,
        "the archive has a member of this name already; it is kept and the file is not added");
  };
  zip.SetArchiveFile(FullPath(archive));
  zip.ScanInNameOrder = gNameOrder;
  std::string root = FullPath(folder);
  while (root.size() > 1 && root.back() == '\\') root.pop_back();
  zip.FileSpec = {root + "\\*"};
  // Empty folders are members too, so that a tree comes back whole.
  zip.StoreEmptySubDirs = true;
  gTemporary = zip.TemporaryFile();
#ifndef _WIN32
  std::string host = gTemporary;
  for (char& c : host)
    if (c == '\\') c = '/';
  gTemporaryHost.assign(host.begin(), host.end());
  gTemporaryHost.push_back('\0');
#endif
  Interruptible(zip, [&] { zip.Compress(); });
#ifndef _WIN32
  gTemporaryHost.clear();
#endif
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
  if ((command == "t" || command == "l") && args.size() == 2) {
    TUnZip unzip;
    PrepareReader(unzip, args[1]);
    if (!unzip.ArchiveFile().empty()) {
      if (command == "t")
        unzip.Test();
      else
        List(unzip);
    }
  } else if (command == "x" && args.size() == 3) {
    TUnZip unzip;
    PrepareReader(unzip, args[1]);
    unzip.SetExtractDir(args[2]);
    unzip.CreateStoredDirs = true;
    if (!unzip.ArchiveFile().empty()) Interruptible(unzip, [&] { unzip.Extract(); });
  } else if (command == "a" && args.size() == 3) {
    Pack(args[1], args[2]);
  } else {
    return Usage();
  }
  if (gInterrupted) return 130;
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
int main(int argc, char** argv) {
  return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
