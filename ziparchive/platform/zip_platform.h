// The operating-system services the ZIP engine needs. Paths are ANSI strings with "\"
// separators, as the engine keeps them; each implementation maps them to its system
// (zip_platform_win32.cpp: the wide API; zip_platform_posix.cpp: "/" paths, for the native
// build and its tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace ziparchive {

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

// A path as it is handed to the system. The engine's paths are text in the ANSI code page;
// a path that holds a member name flagged UTF-8, and every path of a component whose
// Utf8Paths is set, is UTF-8 text as a whole, so that every character reaches the file
// system (the native build takes both as bytes).
struct TOsPath {
  TOsPath(std::string ansi) : Text(std::move(ansi)) {}
  TOsPath(const char* ansi) : Text(ansi) {}
  static TOsPath FromUtf8(std::string utf8) {
    TOsPath p(std::move(utf8));
    p.Utf8 = true;
    return p;
  }
  // The same kind of path with other text.
  TOsPath With(std::string text) const {
    TOsPath p(std::move(text));
    p.Utf8 = Utf8;
    return p;
  }
  std::string Text;
  bool Utf8 = false;
};

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
  bool Open(const TOsPath& path, TOsAccess access, TOsShare share);
  // Creates the file for reading and writing, replacing any file of that name.
  bool Create(const TOsPath& path, TOsShare share);
  bool IsOpen() const;

  // Reads up to count bytes; 0 at the end, -1 on error.
  int64_t Read(void* buffer, size_t count);
  // Reads up to count bytes at position, in one system call; the file position afterwards
  // is unspecified.
  int64_t ReadAt(uint64_t position, void* buffer, size_t count);
  // Writes count bytes; returns how many were written. diskFull tells why a write fell short.
  size_t Write(const void* buffer, size_t count, bool* diskFull = nullptr);
  bool Seek(uint64_t position);
  int64_t Position() const;
  int64_t Size() const;
  bool SetDosDateTime(uint32_t dosDateTime);
  // Closes now; false when the system reports a failure.
  bool Close();
  // Finishes a file written through this handle: its last-write time, the close, then,
  // unless `attributes` is fattr::Invalid, those attributes (`path` names the file where the
  // system sets them by name). False when the close failed.
  bool Finish(uint32_t dosDateTime, uint32_t attributes, const TOsPath& path);

 private:
#ifdef _WIN32
  void* FHandle = reinterpret_cast<void*>(intptr_t(-1));
#else
  int FFd = -1;
#endif
};

// Reads until count bytes, the end of the file or an error; returns how many were read.
// failed, when given, tells an error from the end.
size_t OsReadFull(TOsFile& file, void* buffer, size_t count, bool* failed = nullptr);

struct TOsFindData {
  std::string Name;  // bare name
  uint32_t Attributes = 0;
  // A symbolic link (native build): Attributes describe its target. A link that leads to
  // nothing, or an entry that is neither file nor folder (pipe, device, socket), is Special.
  bool Link = false;
  bool Special = false;
  uint32_t DosDateTime = 0;  // last write, local time
  uint64_t Size = 0;
  // Windows: the name in UTF-8 when the ANSI code page cannot hold it (Name is then only a
  // look-alike that names another file or none). Empty otherwise.
  std::string LostName;
};

// Lists a folder's entries ("." and ".." left out) in the order the system returns them.
// The names come back in the folder path's form (UTF-8 for a UTF-8 path).
class TOsDirSearch {
 public:
  TOsDirSearch() = default;
  ~TOsDirSearch();
  TOsDirSearch(const TOsDirSearch&) = delete;
  TOsDirSearch& operator=(const TOsDirSearch&) = delete;

  bool Open(const TOsPath& folder);
  bool Next(TOsFindData& out);

 private:
  void Release();
  bool FUtf8 = false;
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

uint32_t OsGetAttributes(const TOsPath& path);  // fattr::Invalid when it does not exist
bool OsSetAttributes(const TOsPath& path, uint32_t attributes);
bool OsFileExists(const TOsPath& path);    // an existing file, not a folder
bool OsFolderExists(const TOsPath& path);
bool OsCreateFolder(const TOsPath& path);  // one level
bool OsForceFolders(const TOsPath& path);  // with every missing parent
bool OsDeleteFile(const TOsPath& path);
bool OsRemoveFolder(const TOsPath& path);
bool OsMoveFile(const TOsPath& from, const TOsPath& to);
// Renames `from` to `to`, replacing a file `to` names in one step so that `to` never goes
// missing (never a folder). Fails when both are not on the same volume: the caller then
// copies instead (a copy across volumes would truncate the target first).
bool OsReplaceFile(const TOsPath& from, const TOsPath& to);
// A key equal for two paths exactly when the system takes them for one file name (case
// folded where names are case-insensitive, relative parts resolved); by text only.
std::string OsPathKey(const TOsPath& path);
bool OsGetFileDosDateTime(const TOsPath& path, uint32_t& dosDateTime);
uint32_t OsNowDosDateTime();
// Paths the system gives: ANSI text, or UTF-8 when utf8 is set.
std::string OsCurrentFolder(bool utf8 = false);  // without trailing "\"
std::string OsTempFolder(bool utf8 = false);     // with trailing "\"
// A new, empty, uniquely named file in folder; empty string when none could be made. The
// name comes back in the folder path's form.
std::string OsTempFileName(const TOsPath& folder, const std::string& prefix);

// Gives `to` the access rights `from` has (the mode bits; on Windows the file keeps what its
// folder gives it).
bool OsCopyAccessRights(const TOsPath& from, const TOsPath& to);

// Whether two paths name the same existing file (not merely equal text).
bool OsSameFile(const TOsPath& a, const TOsPath& b);
// The path with its last component in the long form the folder search lists (Windows
// accepts 8.3 short names too), in the path's form; unchanged where there is no such form.
std::string OsLongPathName(const TOsPath& path);
// Where a link leads, resolved to a path without links; empty when it leads nowhere or
// the system has no such links.
std::string OsResolvedPath(const TOsPath& path);

// Name code pages of stored ZIP names.
std::string OsOemToAnsi(const std::string& text);
std::string OsAnsiToOem(const std::string& text);
// A name stored in UTF-8, in the ANSI code page for the engine's strings: characters the
// code page lacks become "?" (never a look-alike such as "." or "\").
std::string OsUtf8ToAnsi(const std::string& utf8);
#ifdef _WIN32
// A command-line argument (wide text) in the ANSI code page, as the engine's paths are.
std::string OsAnsiFromWide(const wchar_t* text);
#endif
// An engine path (ANSI) as UTF-8 text, to be joined with a UTF-8 member name; the native
// build's paths are the host's bytes and stay as they are.
std::string OsUtf8Path(const std::string& ansiPath);

}  // namespace ziparchive
