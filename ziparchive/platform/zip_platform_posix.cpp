// POSIX side of the engine's system services, for the native build: paths get "/" for "\",
// share modes are not enforced, and the attribute bits are derived from the mode bits.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <iconv.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cstring>

#include "ziparchive/platform/zip_platform.h"
#include "ziparchive/platform/dos_date_time.h"

namespace ziparchive {

namespace {
std::string HostPath(const std::string& path) {
  std::string s = path;
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

std::string HostPath(const OsPath& path) {
  return HostPath(path.text);
}

uint32_t AttributesOf(const struct stat& st, const std::string& name) {
  uint32_t a = 0;
  if (S_ISDIR(st.st_mode))
    a |= fattr::kDirectory;
  else
    a |= fattr::kArchive;
  if ((st.st_mode & S_IWUSR) == 0) a |= fattr::kReadOnly;
  if (!name.empty() && name[0] == '.') a |= fattr::kHidden;
  return a;
}

uint32_t DosFromTime(time_t t) {
  struct tm lt {};
  localtime_r(&t, &lt);
  DosDateTime d;
  d.year = lt.tm_year + 1900;
  if (d.year < 1980) return PackDosDateTime(DosDateTime{});
  d.month = lt.tm_mon + 1;
  d.day = lt.tm_mday;
  d.hour = lt.tm_hour;
  d.minute = lt.tm_min;
  d.second = lt.tm_sec;
  return PackDosDateTime(d);
}

time_t TimeFromDosUncached(uint32_t value) {
  DosDateTime d = UnpackDosDateTime(value);
  struct tm lt {};
  lt.tm_year = d.year - 1900;
  lt.tm_mon = d.month - 1;
  lt.tm_mday = d.day;
  lt.tm_hour = d.hour;
  lt.tm_min = d.minute;
  lt.tm_sec = d.second;
  lt.tm_isdst = -1;
  return mktime(&lt);
}

// mktime looks at the time zone file on every call; the members of an archive mostly share
// a few dates, so the last answer is kept.
time_t TimeFromDos(uint32_t value) {
  thread_local uint32_t lastValue = 0;
  thread_local time_t lastTime = 0;
  thread_local bool known = false;
  if (!known || value != lastValue) {
    lastTime = TimeFromDosUncached(value);
    lastValue = value;
    known = true;
  }
  return lastTime;
}

// The mode bits the attributes give a file whose mode is `mode`: only read-only maps.
mode_t ModeWithAttributes(mode_t mode, uint32_t attributes) {
  mode &= 07777;
  if (attributes & fattr::kReadOnly)
    mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  return mode;
}

std::string BaseName(const std::string& path) {
  size_t p = path.find_last_of('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

// The native build stands in for a Russian Windows: OEM is code page 866, ANSI 1251.
// Each table maps the upper half of one code page to the other; unmappable bytes become "?".
struct CodePageTables {
  std::array<char, 128> OemToAnsi{}, AnsiToOem{};
  std::array<std::string, 128> OemToUtf8{};
  CodePageTables() {
    Fill(OemToAnsi, "CP866", "CP1251");
    Fill(AnsiToOem, "CP1251", "CP866");
    iconv_t cd = iconv_open("UTF-8", "CP866");
    for (int i = 0; i < 128; ++i) {
      char in = char(128 + i), out[8] = {};
      char* ip = &in;
      char* op = out;
      size_t il = 1, ol = sizeof out;
      if (cd != iconv_t(-1)) iconv(cd, nullptr, nullptr, nullptr, nullptr);
      const bool done = cd != iconv_t(-1) && iconv(cd, &ip, &il, &op, &ol) != size_t(-1);
      OemToUtf8[i] = done ? std::string(out, op) : std::string("?");
    }
    if (cd != iconv_t(-1)) iconv_close(cd);
  }
  static void Fill(std::array<char, 128>& table, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    for (int i = 0; i < 128; ++i) {
      char in = char(128 + i), out = '?';
      if (cd != iconv_t(-1)) {
        char* ip = &in;
        char* op = &out;
        size_t il = 1, ol = 1;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1)) out = '?';
      }
      table[i] = out;
    }
    if (cd != iconv_t(-1)) iconv_close(cd);
  }
};

const CodePageTables& CodePages() {
  static const CodePageTables tables;
  return tables;
}

// Code points of the ANSI code page's upper half, for turning UTF-8 names into it.
struct AnsiCodePoints {
  std::array<uint32_t, 128> Point{};
  AnsiCodePoints() {
    iconv_t cd = iconv_open("UTF-32LE", "CP1251");
    for (int i = 0; i < 128; ++i) {
      char in = char(128 + i);
      unsigned char out[4] = {};
      if (cd != iconv_t(-1)) {
        char* ip = &in;
        char* op = reinterpret_cast<char*>(out);
        size_t il = 1, ol = 4;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1)) continue;
      }
      Point[i] = uint32_t(out[0]) | uint32_t(out[1]) << 8 | uint32_t(out[2]) << 16 |
                 uint32_t(out[3]) << 24;
    }
    if (cd != iconv_t(-1)) iconv_close(cd);
  }
};

char AnsiCharOf(uint32_t point) {
  if (point < 128) return char(point);
  static const AnsiCodePoints table;
  for (int i = 0; i < 128; ++i)
    if (table.Point[i] == point) return char(128 + i);
  return '?';
}

std::string MapUpperHalf(const std::string& text, const std::array<char, 128>& table) {
  std::string s = text;
  for (char& c : s)
    if (static_cast<unsigned char>(c) >= 128) c = table[static_cast<unsigned char>(c) - 128];
  return s;
}

}  // namespace

OsFile::~OsFile() {
  Close();
}

OsFile::OsFile(OsFile&& other) noexcept : fd_(other.fd_) {
  other.fd_ = -1;
}

OsFile& OsFile::operator=(OsFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool OsFile::Open(const OsPath& path, OsAccess access, OsShare) {
  Close();
  // Without O_NONBLOCK the open of a pipe waits for its writer; it changes nothing for a
  // disk file.
  fd_ = ::open(HostPath(path).c_str(),
               (access == OsAccess::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) return false;
  struct stat st {};
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    int why = S_ISDIR(st.st_mode) ? EISDIR : ESPIPE;
    Close();
    errno = why;
    return false;
  }
  return true;
}

bool OsFile::Create(const OsPath& path, OsShare) {
  Close();
  fd_ = ::open(HostPath(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

bool OsFile::CreateNew(const OsPath& path, OsShare) {
  Close();
  // O_EXCL fails on a link too, dangling or not: nothing is written where it points.
  fd_ = ::open(HostPath(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

bool OsFile::CreateNewIn(const OsFolder& folder, const OsPath& path, OsShare share) {
  Close();
  const std::string host = HostPath(path);
  const size_t cut = host.find_last_of('/');
  if (folder.IsOpen() && cut != std::string::npos && cut + 1 < host.size()) {
    fd_ = ::openat(folder.fd_, host.c_str() + cut + 1, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) return true;
  }
  return CreateNew(path, share);
}

OsFolder::~OsFolder() {
  Close();
}

bool OsFolder::Open(const OsPath& path) {
  Close();
  fd_ = ::open(HostPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd_ >= 0;
}

void OsFolder::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool OsFolder::IsOpen() const {
  return fd_ >= 0;
}

bool OsFile::IsOpen() const {
  return fd_ >= 0;
}

int64_t OsFile::Read(void* buffer, size_t count) {
  if (fd_ < 0) return -1;
  for (;;) {
    ssize_t n = ::read(fd_, buffer, count);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

int64_t OsFile::ReadAt(uint64_t position, void* buffer, size_t count) {
  if (fd_ < 0) return -1;
  for (;;) {
    ssize_t n = ::pread(fd_, buffer, count, off_t(position));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

size_t OsFile::Write(const void* buffer, size_t count, bool* diskFull) {
  if (diskFull) *diskFull = false;
  if (fd_ < 0) return 0;
  const char* p = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (diskFull && (n == 0 || errno == ENOSPC || errno == EDQUOT)) *diskFull = true;
      break;
    }
    done += size_t(n);
  }
  return done;
}

bool OsFile::Seek(uint64_t position) {
  return fd_ >= 0 && lseek(fd_, off_t(position), SEEK_SET) == off_t(position);
}

int64_t OsFile::Position() const {
  return fd_ < 0 ? -1 : int64_t(lseek(fd_, 0, SEEK_CUR));
}

int64_t OsFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return int64_t(st.st_size);
}

bool OsFile::SetDosDateTime(uint32_t dosDateTime) {
  if (fd_ < 0) return false;
  struct timespec ts[2];
  ts[0].tv_sec = ts[1].tv_sec = TimeFromDos(dosDateTime);
  ts[0].tv_nsec = ts[1].tv_nsec = 0;
  return futimens(fd_, ts) == 0;
}

OsFileId OsFile::Identity() const {
  struct stat st {};
  OsFileId id;
  if (fd_ >= 0 && fstat(fd_, &st) == 0) id = {uint64_t(st.st_dev), uint64_t(st.st_ino), true};
  return id;
}

bool OsFile::Finish(uint32_t dosDateTime, uint32_t attributes, const OsPath&) {
  SetDosDateTime(dosDateTime);
  // Through the handle, before the close: no second look-up of the name, and no change
  // made where the mode already agrees.
  struct stat st {};
  if (attributes != fattr::kInvalid && fd_ >= 0 && fstat(fd_, &st) == 0) {
    mode_t mode = ModeWithAttributes(st.st_mode, attributes);
    if (mode != (st.st_mode & 07777)) fchmod(fd_, mode);
  }
  return Close();
}

bool OsFile::Close() {
  if (fd_ < 0) return true;
  int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0;
}

OsDirSearch::~OsDirSearch() {
  Release();
}

void OsDirSearch::Release() {
  if (dir_) closedir(static_cast<DIR*>(dir_));
  dir_ = nullptr;
}

bool OsDirSearch::Open(const OsPath& folder, const char* pattern) {
  Release();
  pattern_ = pattern ? pattern : "";
  folder_ = HostPath(folder);
  if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
  dir_ = opendir(folder_.empty() ? "." : folder_.c_str());
  return dir_ != nullptr;
}

bool OsDirSearch::Next(OsFindData& out) {
  if (!dir_) return false;
  while (struct dirent* e = readdir(static_cast<DIR*>(dir_))) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    if (!pattern_.empty() && fnmatch(pattern_.c_str(), e->d_name, 0) != 0) continue;
    struct stat st {};
    std::string full = folder_ + e->d_name;
    if (lstat(full.c_str(), &st) != 0) continue;
    out.link = S_ISLNK(st.st_mode);
    // A link is described by its target; one that leads nowhere is nothing to take.
    bool dangling = out.link && stat(full.c_str(), &st) != 0;
    out.special = dangling || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
    out.name = e->d_name;
    out.attributes = dangling ? fattr::kArchive : AttributesOf(st, out.name);
    out.dosDateTime = DosFromTime(st.st_mtime);
    out.size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
    return true;
  }
  return false;
}

uint32_t OsGetAttributes(const OsPath& path) {
  struct stat st {};
  std::string p = HostPath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (stat(p.c_str(), &st) != 0) return fattr::kInvalid;
  return AttributesOf(st, BaseName(p));
}

bool OsSetAttributes(const OsPath& path, uint32_t attributes) {
  std::string p = HostPath(path);
  struct stat st {};
  if (stat(p.c_str(), &st) != 0) return false;
  return chmod(p.c_str(), ModeWithAttributes(st.st_mode, attributes)) == 0;
}

bool OsCreateFolder(const OsPath& path) {
  std::string p = HostPath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return mkdir(p.c_str(), 0777) == 0;
}

bool OsForceFolders(const OsPath& path) {
  std::string p = HostPath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.empty()) return false;
  if (p.size() >= PATH_MAX) {
    errno = ENAMETOOLONG;
    return false;
  }
  auto isFolder = [](const char* s) {
    struct stat st {};
    return stat(s, &st) == 0 && S_ISDIR(st.st_mode);
  };
  if (mkdir(p.c_str(), 0777) == 0) return true;
  if (errno == EEXIST) {
    if (isFolder(p.c_str())) return true;
    errno = EEXIST;
    return false;
  }
  if (errno != ENOENT) return false;
  // The one string is cut at a separator in place to name each parent: back to the deepest
  // one that exists, then forward making the rest.
  size_t from = 0;
  for (size_t end = p.size(); end > 0;) {
    size_t slash = p.rfind('/', end - 1);
    if (slash == std::string::npos) break;
    if (slash == 0) {
      from = 1;
      break;
    }
    p[slash] = '\0';
    bool exists = isFolder(p.c_str());
    p[slash] = '/';
    if (exists) {
      from = slash + 1;
      break;
    }
    end = slash;
  }
  for (;;) {
    size_t slash = p.find('/', from);
    if (slash != std::string::npos) p[slash] = '\0';
    bool made = mkdir(p.c_str(), 0777) == 0 || (errno == EEXIST && isFolder(p.c_str()));
    int why = errno;
    if (slash == std::string::npos) return made;
    p[slash] = '/';
    if (!made) {
      errno = why == EEXIST ? ENOTDIR : why;
      return false;
    }
    from = slash + 1;
  }
}

bool OsDeleteFile(const OsPath& path) {
  return unlink(HostPath(path).c_str()) == 0;
}
bool OsRemoveFolder(const OsPath& path) {
  return rmdir(HostPath(path).c_str()) == 0;
}
bool OsMoveFile(const OsPath& from, const OsPath& to) {
  std::string t = HostPath(to);
  struct stat st {};
  if (lstat(t.c_str(), &st) == 0) return false;  // like MoveFile: never replaces
  return rename(HostPath(from).c_str(), t.c_str()) == 0;
}

bool OsReplaceFile(const OsPath& from, const OsPath& to) {
  std::string t = HostPath(to);
  struct stat st {};
  if (lstat(t.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
  return rename(HostPath(from).c_str(), t.c_str()) == 0;
}

std::string OsPathKey(const OsPath& path) {
  // Names are bytes here; only repeated and "." components name the same file.
  std::string key;
  for (size_t pos = 0; pos <= path.text.size();) {
    size_t end = path.text.find_first_of("\\/", pos);
    if (end == std::string::npos) end = path.text.size();
    std::string part = path.text.substr(pos, end - pos);
    if (!part.empty() && part != ".") key += "/" + part;
    pos = end + 1;
  }
  return key;
}

bool OsGetFileDosDateTime(const OsPath& path, uint32_t& dosDateTime) {
  struct stat st {};
  if (stat(HostPath(path).c_str(), &st) != 0) return false;
  dosDateTime = DosFromTime(st.st_mtime);
  return true;
}

uint32_t OsNowDosDateTime() {
  return DosFromTime(time(nullptr));
}

// The host's paths are bytes either way.
std::string OsCurrentFolder(bool) {
  char buf[4096];
  if (!getcwd(buf, sizeof buf)) return std::string();
  std::string s = buf;
  if (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string OsTempFolder(bool) {
  const char* t = getenv("TMPDIR");
  std::string s = (t && *t) ? t : "/tmp";
  if (s.back() != '/') s += '/';
  return s;
}

std::string OsTempFileName(const OsPath& folder, const std::string& prefix) {
  std::string f = HostPath(folder);
  if (!f.empty() && f.back() != '/') f += '/';
  std::string pattern = f + prefix + "XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) return std::string();
  ::close(fd);
  return pattern;
}

OsFileId OsIdentityOf(const OsPath& path) {
  struct stat st {};
  OsFileId id;
  if (stat(HostPath(path).c_str(), &st) == 0) id = {uint64_t(st.st_dev), uint64_t(st.st_ino), true};
  return id;
}

bool OsSameFile(const OsPath& a, const OsPath& b) {
  return OsIdentityOf(a).SameAs(OsIdentityOf(b));
}

std::string OsLastErrorText() {
  int code = errno;
  if (code == ESPIPE) return "not a seekable disk file (a pipe, device or socket)";
  return code ? strerror(code) : "";
}

std::string OsLongPathName(const OsPath& path) {
  return path.text;
}

bool OsCopyAccessRights(const OsPath& from, const OsPath& to) {
  struct stat st {};
  return stat(HostPath(from).c_str(), &st) == 0 &&
         chmod(HostPath(to).c_str(), st.st_mode & 07777) == 0;
}

std::string OsResolvedPath(const OsPath& path) {
  char* real = realpath(HostPath(path).c_str(), nullptr);
  if (!real) return std::string();
  std::string s = real;
  free(real);
  return s;
}

std::string OsOemToAnsi(const std::string& text) {
  return MapUpperHalf(text, CodePages().OemToAnsi);
}
std::string OsOemToUtf8(const std::string& oem) {
  std::string out;
  out.reserve(oem.size() * 2);
  for (char c : oem) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80)
      out += c;
    else
      out += CodePages().OemToUtf8[u - 0x80];
  }
  return out;
}
std::string OsAnsiToOem(const std::string& text) {
  return MapUpperHalf(text, CodePages().AnsiToOem);
}

std::string OsUtf8ToAnsi(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (i + len > utf8.size()) len = 1;
    uint32_t point = len == 1 ? c : c & (0xFF >> (len + 1));
    for (size_t k = 1; k < len; ++k)
      point = (point << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out += (len == 1 && c >= 0x80) ? '?' : AnsiCharOf(point);
    i += len;
  }
  return out;
}

std::string OsUtf8Path(const std::string& ansiPath) {
  return ansiPath;
}

}  // namespace ziparchive
