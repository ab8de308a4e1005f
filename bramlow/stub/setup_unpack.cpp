#include "bramlow/stub/setup_unpack.h"

#include <windows.h>

#include "bramlow/command_line.h"
#include "bramlow/kit/setup_payload.h"
#include "bramlow/stub/own_folder.h"
#include "winbase/aligned_thread.h"
#include "winbase/handles.h"
#include "winbase/text.h"
#include "ziparchive/archive/unzip.h"
#include "ziparchive/records/zip_messages.h"

namespace bramlow {
namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                      nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), length);
  return out;
}

std::wstring Decimal(DWORD value) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
    value /= 10;
  } while (value);
  return digits;
}

std::wstring ReasonOf(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring reason = length ? std::wstring(text, length) : L"error";
  if (text) LocalFree(text);
  while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' ||
                             reason.back() == L' ' || reason.back() == L'.')) {
    reason.pop_back();
  }
  return reason + L" (" + Decimal(error) + L")";
}

// What the setup tells its user when it cannot run bramlow: a message box, or with /S the
// log only. The log is UTF-8 with one line each, as bramlow's own.
class Teller {
 public:
  Teller(const SetupSwitches& switches, std::wstring caption)
      : switches_(switches), caption_(std::move(caption)) {}

  int Fail(const std::wstring& message, const std::wstring& logLine) {
    if (switches_.logFile) {
      HANDLE log = CreateFileW(switches_.logFile->c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (log != INVALID_HANDLE_VALUE) {
        const std::string text = Utf8(logLine + L"\r\nresult: failed (exit code 1)\r\n");
        DWORD written = 0;
        WriteFile(log, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(log);
      }
    }
    if (!switches_.silent)
      MessageBoxW(nullptr, message.c_str(), caption_.c_str(), MB_OK | MB_ICONERROR);
    return 1;
  }

 private:
  const SetupSwitches& switches_;
  std::wstring caption_;
};

// The first problem the ZIP reader reports. Its texts come in the engine's two forms: a
// member's name alone in the ANSI code page, a path (and the system's reason beside it) in
// UTF-8; each is read as the one it is.
struct ReaderProblems {
  std::wstring first;
  int firstCode = 0;
  int count = 0;
  void Attach(ziparchive::TUnZip& unzip) {
    unzip.OnError = [this](ziparchive::TZipCommon&, const std::string& file,
                           const std::string& extended, const std::string&, int code) {
      if (count++ == 0) {
        firstCode = code;
        first = winbase::WidenMessage(file) + L": " + Wide(ziparchive::ZipMessageText(code)) +
                (extended.empty() ? L"" : L" - " + winbase::WidenMessage(extended));
      }
    };
  }
  void Add(const ReaderProblems& other) {
    if (!count && other.count) {
      first = other.first;
      firstCode = other.firstCode;
    }
    count += other.count;
  }
  // What this system did not let the setup write, as against what the file holds.
  bool SystemFailed() const {
    namespace zipmsg = ziparchive::zipmsg;
    return firstCode == zipmsg::kErrorWritingFile || firstCode == zipmsg::kErrorClosingFile ||
           firstCode == zipmsg::kErrorOpeningFile || firstCode == zipmsg::kDiskFull ||
           firstCode == zipmsg::kOutOfMemory || firstCode == zipmsg::kFileNotFound;
  }
};

// Unpacking is mostly the system making thousands of small files, one after the other; two
// unpackers at once keep a second processor busy. Each takes the members whose names fall to
// its share, so every member is written by exactly one of them whatever the order they meet
// the members in.
constexpr unsigned kMostUnpackers = 2;

unsigned ShareOf(const std::string& name, unsigned shares) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
  return hash % shares;
}

struct UnpackPart {
  const std::string* archive = nullptr;
  const std::string* folder = nullptr;
  unsigned share = 0, shares = 1;
  ReaderProblems problems;
};

void Unpack(UnpackPart& part) {
  try {
    ziparchive::TUnZip unzip;
    unzip.Utf8Paths = true;
    part.problems.Attach(unzip);
    unzip.FileSpec = {"*"};
    unzip.RecurseDirs = true;
    unzip.UseStoredDirs = true;
    unzip.CreateStoredDirs = true;
    // The folder is new and the setup's own: nothing there to look for, replace or keep.
    unzip.NewFilesOnly = true;
    if (part.shares > 1) {
      unzip.OnBegin = [&part](ziparchive::TUnBase&, const std::string& name, int, bool& extract) {
        extract = ShareOf(name, part.shares) == part.share;
      };
    }
    unzip.SetArchiveFile(*part.archive);
    unzip.SetExtractDir(*part.folder);
    unzip.Extract();
  } catch (...) {
    // Out of memory: this share is not unpacked, which the setup must not take for success.
    if (!part.problems.count++) {
      part.problems.firstCode = ziparchive::zipmsg::kOutOfMemory;
      part.problems.first = L"out of memory";
    }
  }
}

void UnpackOnThread(void* part) {
  Unpack(*static_cast<UnpackPart*>(part));
}

// Unpacks the whole payload into folder; what went wrong, in whichever share it went wrong.
ReaderProblems UnpackAll(const std::string& archive, const std::string& folder) {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  const unsigned shares = system.dwNumberOfProcessors < kMostUnpackers
                              ? (system.dwNumberOfProcessors ? system.dwNumberOfProcessors : 1u)
                              : kMostUnpackers;
  UnpackPart parts[kMostUnpackers];
  winbase::KernelHandle threads[kMostUnpackers];
  for (unsigned i = 0; i < shares; ++i) {
    parts[i].archive = &archive;
    parts[i].folder = &folder;
    parts[i].share = i;
    parts[i].shares = shares;
  }
  // The others on threads of their own, the first here; a share whose thread the system
  // refuses is unpacked here afterwards. Every thread has ended before anything else is done
  // (anything that might throw and leave a thread working on what is gone).
  for (unsigned i = 1; i < shares; ++i)
    threads[i].reset(CreateThread(nullptr, 0, &winbase::AlignedThreadEntry<&UnpackOnThread>,
                                  &parts[i], 0, nullptr));
  Unpack(parts[0]);
  for (unsigned i = 1; i < shares; ++i) {
    if (threads[i])
      WaitForSingleObject(threads[i].get(), INFINITE);
    else
      Unpack(parts[i]);
  }
  ReaderProblems all = parts[0].problems;
  for (unsigned i = 1; i < shares; ++i) all.Add(parts[i].problems);
  return all;
}

// A name from the payload's folder list that stays inside the folder.
bool IsPlainRelative(const std::string& name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/' || name.find(':') != std::string::npos)
    return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    const std::string part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::wstring ArgumentsOf(const std::wstring& line) {
  size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    const size_t close = line.find(L'"', 1);
    at = close == std::wstring::npos ? line.size() : close + 1;
  } else {
    while (at < line.size() && line[at] != L' ' && line[at] != L'\t') ++at;
  }
  while (at < line.size() && (line[at] == L' ' || line[at] == L'\t')) ++at;
  return line.substr(at);
}

int RunOneFileSetup(const OneFileSetup& setup) {
  const SetupSwitches switches = ParseSetupSwitches(setup.commandLine);
  const size_t cut = setup.program.find_last_of(L'\\');
  Teller teller(switches,
                cut == std::wstring::npos ? setup.program : setup.program.substr(cut + 1));
  const std::string archive = Utf8(setup.program);

  // The whole payload, before anything is unpacked or run: its length and CRC against the
  // trailer, which a download cut short or damaged anywhere fails. That is the test of every
  // member's bytes as well; unpacking checks each member's CRC once more, and what it finds
  // there (a setup file made from a damaged archive) removes what was unpacked before
  // anything runs.
  PayloadCheck check;
  {
    ziparchive::OsFile own;
    if (own.Open(ziparchive::OsPath::FromUtf8(archive), ziparchive::OsAccess::Read,
                 ziparchive::OsShare::DenyWrite)) {
      check = CheckPayload(own);
    } else {
      check.problem = "the file cannot be read";
    }
  }
  auto damaged = [&](const std::wstring& problem, const wchar_t* unpacked) {
    return teller.Fail(L"This setup file is damaged or incomplete: " + problem +
                           L".\r\n\r\nNothing was installed. Download the file again.",
                       L"setup file " + setup.program + L": damaged or incomplete (" + problem +
                           L"), " + unpacked);
  };
  if (!check.ok) return damaged(Wide(check.problem), L"nothing unpacked");

  DWORD error = 0;
  const std::wstring folder = MakeOwnFolder(setup.tempFolder, error);
  if (folder.empty()) {
    return teller.Fail(L"Setup cannot make a folder to unpack into in " + setup.tempFolder + L": " +
                           ReasonOf(error) + L".\r\n\r\nNothing was installed.",
                       L"unpack into " + setup.tempFolder + L": failed (" + ReasonOf(error) + L")");
  }
  ScheduleRemovalAtLogon(folder);
  auto cleanUp = [&folder] {
    if (RemoveFolderTree(folder)) {
      CancelRemovalAtLogon(folder);
    } else {
      RemoveAtRestart(folder);
    }
  };

  const ReaderProblems unpacked = UnpackAll(archive, Utf8(folder));
  for (const std::string& empty : check.emptyFolders) {
    if (!IsPlainRelative(empty)) continue;
    std::wstring path = folder;
    for (size_t start = 0; start <= empty.size();) {
      size_t end = empty.find_first_of("\\/", start);
      if (end == std::string::npos) end = empty.size();
      path += L"\\" + Wide(empty.substr(start, end - start));
      CreateDirectoryW(path.c_str(), nullptr);
      start = end + 1;
    }
  }
  const std::wstring engine = folder + L"\\bramlow.exe";
  if (unpacked.count && !unpacked.SystemFailed()) {
    cleanUp();
    return damaged(L"a file of it fails its test: " + unpacked.first, L"what was unpacked removed");
  }
  if (unpacked.count || GetFileAttributesW(engine.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const std::wstring problem = unpacked.count ? unpacked.first : L"it holds no bramlow.exe";
    cleanUp();
    return teller.Fail(L"Setup could not unpack its files into " + folder + L": " + problem +
                           L".\r\n\r\nNothing was installed.",
                       L"unpack into " + folder + L": failed (" + problem + L")");
  }

  // bramlow.exe with the setup's own command line; it keeps the setup's current folder, so a
  // relative /LOG= names the same file.
  std::wstring commandLine = L"\"" + engine + L"\"";
  if (!setup.commandLine.empty()) commandLine += L" " + setup.commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(engine.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    error = GetLastError();
    cleanUp();
    return teller.Fail(L"Setup could not start " + engine + L": " + ReasonOf(error) + L".",
                       L"start " + engine + L": failed (" + ReasonOf(error) + L")");
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);

  // When bramlow restarts the computer the folder may not go now: the removal at the next
  // start (and logon) takes it.
  if (GetSystemMetrics(SM_SHUTTINGDOWN)) RemoveAtRestart(folder);
  cleanUp();
  return static_cast<int>(exitCode);
}

}  // namespace bramlow
