// The operating-system services the ZIP engine needs. Paths are ANSI strings with "\"
// separators, as the engine keeps them; each implementation maps them to its system
// (ZipPlatformWin32.cpp: the wide API; ZipPlatformPosix.cpp: "/" paths, for the native
// build and its tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Windows attribute bits as the directory search reports them.
namespace fattr {
constexpr uint32_t ReadOnly = 0x01;
constexpr uint32_t Hidden = 0x02;
constexpr uint32_t SysFile = 0x04;
constexpr uint32_t VolumeID = 0x08;
constexpr uint32_t Directory = 0x10;
constexpr uint32_t Archive = 0x20;
constexpr uint32_t Normal = 0x80;
constexpr uint32_t Invalid = 0xFFFFFFFFu;
}  // namespace fattr

enum class TOsAccess { Read, ReadWrite };
// What others may do while the file is open (ignored where the system has no share modes).
enum class TOsShare { DenyNone, DenyWrite, Exclusive };

// One open file; move-only owner of the handle, closed on destruction.
class TOsFile {
 public:
  TOsFile() = default;
  ~TOsFile();
  TOsFile(TOsFile&& other) noexcept;
  TOsFile& operator=(TOsFile&& other) noexcept;
  TOsFile(const TOsFile&) = delete;
  TOsFile& operator=(const TOsFile&) = delete;

  // Opens an existing file.
  bool Open(const std::string& path, TOsAccess access, TOsShare share);
  // Creates the file for reading and writing, replacing any file of that name.
  bool Create(const std::string& path, TOsShare share);
  bool IsOpen() const;

  // Reads up to count bytes; 0 at the end, -1 on error.
  int64_t Read(void* buffer, size_t count);
  // Writes count bytes; returns how many were written. diskFull tells why a write fell short.
  size_t Write(const void* buffer, size_t count, bool* diskFull = nullptr);
  bool Seek(uint64_t position);
  int64_t Position() const;
  int64_t Size() const;
  bool SetDosDateTime(uint32_t dosDateTime);
  // Closes now; false when the system reports a failure.
  bool Close();

 private:
#ifdef _WIN32
  void* FHandle = reinterpret_cast<void*>(intptr_t(-1));
#else
  int FFd = -1;
#endif
};

struct TOsFindData {
  std::string Name;  // bare name
  uint32_t Attributes = 0;
  uint32_t DosDateTime = 0;  // last write, local time
  uint64_t Size = 0;
};

// Lists a folder's entries ("." and ".." left out) in the order the system returns them.
class TOsDirSearch {
 public:
  TOsDirSearch() = default;
  ~TOsDirSearch();
  TOsDirSearch(const TOsDirSearch&) = delete;
  TOsDirSearch& operator=(const TOsDirSearch&) = delete;

  bool Open(const std::string& folder);
  bool Next(TOsFindData& out);

 private:
  void Release();
#ifdef _WIN32
  void* FHandle = reinterpret_cast<void*>(intptr_t(-1));
  bool FHavePending = false;
  struct TPending;
  TPending* FPending = nullptr;
#else
  void* FDir = nullptr;
  std::string FFolder;
#endif
};

uint32_t OsGetAttributes(const std::string& path);  // fattr::Invalid when it does not exist
bool OsSetAttributes(const std::string& path, uint32_t attributes);
bool OsFileExists(const std::string& path);    // an existing file, not a folder
bool OsFolderExists(const std::string& path);
bool OsCreateFolder(const std::string& path);  // one level
bool OsForceFolders(const std::string& path);  // with every missing parent
bool OsDeleteFile(const std::string& path);
bool OsRemoveFolder(const std::string& path);
bool OsMoveFile(const std::string& from, const std::string& to);
bool OsGetFileDosDateTime(const std::string& path, uint32_t& dosDateTime);
uint32_t OsNowDosDateTime();
std::string OsCurrentFolder();  // without trailing "\"
std::string OsTempFolder();     // with trailing "\"
// A new, empty, uniquely named file in folder; empty string when none could be made.
std::string OsTempFileName(const std::string& folder, const std::string& prefix);

// Name code pages of stored ZIP names.
std::string OsOemToAnsi(const std::string& text);
std::string OsAnsiToOem(const std::string& text);

// ProcessPendingMessages: the engine calls it between pieces of work; the window layer
// installs its message pump here. The hook must not throw.
using TProcessMessagesHook = void (*)(void* data);
void SetProcessMessagesHook(TProcessMessagesHook hook, void* data);
void ProcessPendingMessages();
