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
constexpr uint32_t kReadOnly = 0x01;
constexpr uint32_t kHidden = 0x02;
constexpr uint32_t kSysFile = 0x04;
constexpr uint32_t kVolumeID = 0x08;
constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kArchive = 0x20;
constexpr uint32_t kNormal = 0x80;
constexpr uint32_t kInvalid = 0xFFFFFFFFu;
}  // namespace fattr

// A path as it is handed to the system. The engine's paths are text in the ANSI code page;
// a path that holds a member name flagged UTF-8, and every path of a component whose
// Utf8Paths is set, is UTF-8 text as a whole, so that every character reaches the file
// system (the native build takes both as bytes).
struct OsPath {
  OsPath(std::string ansi) : text(std::move(ansi)) {}
  OsPath(const char* ansi) : text(ansi) {}
  static OsPath FromUtf8(std::string utf8) {
    OsPath p(std::move(utf8));
    p.utf8 = true;
    return p;
  }
  // The same kind of path with other text.
  OsPath With(std::string text) const {
    OsPath p(std::move(text));
    p.utf8 = utf8;
    return p;
  }
  std::string text;
  bool utf8 = false;
};

// Which file a name leads to: equal for two names of one file (links and other spellings
// included). Unknown where the system could not say.
struct OsFileId {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool known = false;
  bool SameAs(const OsFileId& other) const {
    return known && other.known && volume == other.volume && index == other.index;
  }
};

enum class OsAccess { Read, ReadWrite };
// What others may do while the file is open (ignored where the system has no share modes).
enum class OsShare { DenyNone, DenyWrite, Exclusive };

// An open folder that files are created in by their own names, so that the system neither
// parses nor walks the folder's path again for each (under Wine a third of what creating a
// small file costs). Owns the handle, closed on destruction.
class OsFolder {
 public:
  OsFolder() = default;
  ~OsFolder();
  OsFolder(const OsFolder&) = delete;
  OsFolder& operator=(const OsFolder&) = delete;

  // Opens the folder (closing any other); false when it cannot be opened.
  bool Open(const OsPath& path);
  void Close();
  bool IsOpen() const;

 private:
  friend class OsFile;
#ifdef _WIN32
  void* handle_ = reinterpret_cast<void*>(intptr_t(-1));
#else
  int fd_ = -1;
#endif
};

// One open file; move-only owner of the handle, closed on destruction.
class OsFile {
 public:
  OsFile() = default;
  ~OsFile();
  OsFile(OsFile&& other) noexcept;
  OsFile& operator=(OsFile&& other) noexcept;
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  // Opens an existing disk file; a folder, pipe, socket or device is refused (without
  // waiting for a pipe's writer), and OsLastErrorText() then says so.
  bool Open(const OsPath& path, OsAccess access, OsShare share);
  // Creates the file for reading and writing, replacing any file of that name.
  bool Create(const OsPath& path, OsShare share);
  // Creates the file only where nothing of that name is (no file, folder or link).
  bool CreateNew(const OsPath& path, OsShare share);
  // The same for a path that names a file directly in `folder`: created by its own name in
  // the open folder, or by its path when the folder is not open, the system cannot, or the
  // create fails there (the folder replaced meanwhile).
  bool CreateNewIn(const OsFolder& folder, const OsPath& path, OsShare share);
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
  OsFileId Identity() const;
  // Closes now; false when the system reports a failure.
  bool Close();
  // Finishes a file written through this handle: its last-write time, the close, then,
  // unless `attributes` is fattr::kInvalid, those attributes (`path` names the file where the
  // system sets them by name). False when the close failed.
  bool Finish(uint32_t dosDateTime, uint32_t attributes, const OsPath& path);

 private:
#ifdef _WIN32
  void* handle_ = reinterpret_cast<void*>(intptr_t(-1));
#else
  int fd_ = -1;
#endif
};

// Reads until count bytes, the end of the file or an error; returns how many were read.
// failed, when given, tells an error from the end.
size_t OsReadFull(OsFile& file, void* buffer, size_t count, bool* failed = nullptr);

struct OsFindData {
  std::string name;  // bare name
  uint32_t attributes = 0;
  // A symbolic link (native build): attributes describe its target. A link that leads to
  // nothing, or an entry that is neither file nor folder (pipe, device, socket), is special.
  bool link = false;
  bool special = false;
  uint32_t dosDateTime = 0;  // last write, local time
  uint64_t size = 0;
  // Windows: the name in UTF-8 when the ANSI code page cannot hold it (name is then only a
  // look-alike that names another file or none). Empty otherwise.
  std::string lostName;
};

// Lists a folder's entries ("." and ".." left out) in the order the system returns them.
// The names come back in the folder path's form (UTF-8 for a UTF-8 path).
class OsDirSearch {
 public:
  OsDirSearch() = default;
  ~OsDirSearch();
  OsDirSearch(const OsDirSearch&) = delete;
  OsDirSearch& operator=(const OsDirSearch&) = delete;

  // With a pattern ("*" and "?"), only names it matches are looked at, which costs the system
  // no look at the others (on Windows a short 8.3 name may match too: check the names).
  bool Open(const OsPath& folder, const char* pattern = nullptr);
  bool Next(OsFindData& out);

 private:
  void Release();
  bool utf8_ = false;
#ifdef _WIN32
  void* handle_ = reinterpret_cast<void*>(intptr_t(-1));
  bool havePending_ = false;
  struct Pending;
  Pending* pending_ = nullptr;
#else
  void* dir_ = nullptr;
  std::string folder_;
  std::string pattern_;
#endif
};

uint32_t OsGetAttributes(const OsPath& path);  // fattr::kInvalid when it does not exist
bool OsSetAttributes(const OsPath& path, uint32_t attributes);
bool OsFileExists(const OsPath& path);  // an existing file, not a folder
bool OsFolderExists(const OsPath& path);
bool OsCreateFolder(const OsPath& path);  // one level
// With every missing parent, one level after the other (any depth, no copy of the path per
// level); false for a path longer than the system takes.
bool OsForceFolders(const OsPath& path);
bool OsDeleteFile(const OsPath& path);
bool OsRemoveFolder(const OsPath& path);
bool OsMoveFile(const OsPath& from, const OsPath& to);
// Renames `from` to `to`, replacing a file `to` names in one step so that `to` never goes
// missing (never a folder). Fails when both are not on the same volume: the caller then
// copies instead (a copy across volumes would truncate the target first).
bool OsReplaceFile(const OsPath& from, const OsPath& to);
// A key equal for two paths exactly when the system takes them for one file name (case
// folded where names are case-insensitive, relative parts resolved); by text only.
std::string OsPathKey(const OsPath& path);
bool OsGetFileDosDateTime(const OsPath& path, uint32_t& dosDateTime);
uint32_t OsNowDosDateTime();
// Paths the system gives: ANSI text, or UTF-8 when utf8 is set.
std::string OsCurrentFolder(bool utf8 = false);  // without trailing "\"
std::string OsTempFolder(bool utf8 = false);     // with trailing "\"
// A new, empty, uniquely named file in folder; empty string when none could be made. The
// name comes back in the folder path's form.
std::string OsTempFileName(const OsPath& folder, const std::string& prefix);

// Gives `to` the access rights `from` has (the mode bits; on Windows the file keeps what its
// folder gives it).
bool OsCopyAccessRights(const OsPath& from, const OsPath& to);

// Whether two paths name the same existing file (not merely equal text).
bool OsSameFile(const OsPath& a, const OsPath& b);
OsFileId OsIdentityOf(const OsPath& path);
// The system's words for why the last call of these services failed (errno, GetLastError),
// for ExtendedMsg; empty when it has none. Call it before anything else can fail.
std::string OsLastErrorText();
// The path with its last component in the long form the folder search lists (Windows
// accepts 8.3 short names too), in the path's form; unchanged where there is no such form.
std::string OsLongPathName(const OsPath& path);
// Where a link leads, resolved to a path without links; empty when it leads nowhere or
// the system has no such links.
std::string OsResolvedPath(const OsPath& path);

// Name code pages of stored ZIP names.
std::string OsOemToAnsi(const std::string& text);
std::string OsAnsiToOem(const std::string& text);
// A name stored in UTF-8, in the ANSI code page for the engine's strings: characters the
// code page lacks become "?" (never a look-alike such as "." or "\").
std::string OsUtf8ToAnsi(const std::string& utf8);
// A name in the OEM code page as UTF-8, each character as itself: never through the ANSI code
// page, whose best fit would turn "╬" into "+" and so name another file.
std::string OsOemToUtf8(const std::string& oem);
#ifdef _WIN32
// A command-line argument (wide text) in the ANSI code page, as the engine's paths are.
std::string OsAnsiFromWide(const wchar_t* text);
#endif
// An engine path (ANSI) as UTF-8 text, to be joined with a UTF-8 member name; the native
// build's paths are the host's bytes and stay as they are.
std::string OsUtf8Path(const std::string& ansiPath);

}  // namespace ziparchive
