// Windows side of the engine's system services: ANSI paths are widened with the ANSI code
// page and handed to the wide API, so every name the system can hold is reachable.
#include <windows.h>
#include <winternl.h>

#include <vector>

#include "ziparchive/platform/device_name.h"
#include "ziparchive/platform/zip_platform.h"
#include "winbase/system_error_text.h"
#include "winbase/text.h"

namespace ziparchive {

namespace {

std::wstring Wide(const OsPath& path) {
  std::wstring w = winbase::Widen(path.text, path.utf8 ? CP_UTF8 : CP_ACP);
  for (wchar_t& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

// A path the system gave, in the form asked for.
std::string NarrowPath(std::wstring_view w, bool utf8) {
  return utf8 ? winbase::ToUtf8(w) : winbase::Narrow(w);
}

DWORD ShareBits(OsShare share) {
  switch (share) {
    case OsShare::DenyNone:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case OsShare::DenyWrite:
      return FILE_SHARE_READ;
    default:
      return 0;
  }
}

uint32_t DosFromFileTime(const FILETIME& utc) {
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time))
    return 0x00210000u;  // 1980-01-01 00:00
  return (uint32_t(date) << 16) | time;
}

bool FileTimeFromDos(uint32_t dos, FILETIME& utc) {
  FILETIME local;
  return DosDateTimeToFileTime(WORD(dos >> 16), WORD(dos & 0xFFFF), &local) &&
         LocalFileTimeToFileTime(&local, &utc);
}

HANDLE H(void* h) {
  return static_cast<HANDLE>(h);
}

// ntdll, which every process has loaded, creates a file relative to an open folder; Win32
// has no call for it. Looked up once, by the loaded module's handle, never loaded by name.
using NtCreateFileFn = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*,
                                    LARGE_INTEGER*, ULONG, ULONG, ULONG, ULONG, void*, ULONG);
NtCreateFileFn NtCreateFileOrNull() {
  static const NtCreateFileFn create = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<NtCreateFileFn>(
                       reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtCreateFile")))
                 : nullptr;
  }();
  return create;
}

}  // namespace

OsFolder::~OsFolder() {
  Close();
}

bool OsFolder::Open(const OsPath& path) {
  Close();
  std::wstring w = Wide(path);
  while (w.size() > 3 && w.back() == L'\\') w.pop_back();
  // Others may still add to, rename or remove the folder while it is open here.
  handle_ = CreateFileW(w.c_str(), FILE_TRAVERSE | SYNCHRONIZE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  return IsOpen();
}

void OsFolder::Close() {
  if (IsOpen()) CloseHandle(H(handle_));
  handle_ = INVALID_HANDLE_VALUE;
}

bool OsFolder::IsOpen() const {
  return H(handle_) != INVALID_HANDLE_VALUE;
}

OsFile::~OsFile() {
  Close();
}

OsFile::OsFile(OsFile&& other) noexcept : handle_(other.handle_) {
  other.handle_ = INVALID_HANDLE_VALUE;
}

OsFile& OsFile::operator=(OsFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

bool OsFile::Open(const OsPath& path, OsAccess access, OsShare share) {
  Close();
  // Only files: a device (whatever its folder and extension) may never answer a read.
  size_t slash = path.text.find_last_of("\\/:");
  if (IsDeviceName(slash == std::string::npos ? path.text : path.text.substr(slash + 1))) {
    SetLastError(ERROR_SEEK_ON_DEVICE);
    return false;
  }
  DWORD rights = access == OsAccess::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  handle_ = CreateFileW(Wide(path).c_str(), rights, ShareBits(share), nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (IsOpen() && GetFileType(H(handle_)) != FILE_TYPE_DISK) {
    Close();
    SetLastError(ERROR_SEEK_ON_DEVICE);
  }
  return IsOpen();
}

bool OsFile::Create(const OsPath& path, OsShare share) {
  Close();
  handle_ = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, ShareBits(share), nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return IsOpen();
}

bool OsFile::CreateNew(const OsPath& path, OsShare share) {
  Close();
  handle_ = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, ShareBits(share), nullptr,
                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return IsOpen();
}

bool OsFile::CreateNewIn(const OsFolder& folder, const OsPath& path, OsShare share) {
  Close();
  const std::wstring w = Wide(path);
  const size_t cut = w.find_last_of(L'\\');
  const NtCreateFileFn create = NtCreateFileOrNull();
  // A path longer than the system's paths goes by its path, to fail as it always did: a file
  // made by its own name there could not be opened by its path afterwards.
  if (folder.IsOpen() && create && cut != std::wstring::npos && cut + 1 < w.size() &&
      w.size() < MAX_PATH) {
    std::wstring name = w.substr(cut + 1);
    UNICODE_STRING text;
    text.Buffer = name.data();
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    // Names in any case, as the Win32 calls take them.
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, H(folder.handle_),
                               nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE file = INVALID_HANDLE_VALUE;
    constexpr ULONG kCreate = 2;                  // FILE_CREATE
    constexpr ULONG kNonDirectory = 0x40;         // FILE_NON_DIRECTORY_FILE
    constexpr ULONG kSynchronousNonAlert = 0x20;  // FILE_SYNCHRONOUS_IO_NONALERT
    if (create(&file, GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE, &attributes, &status, nullptr,
               FILE_ATTRIBUTE_NORMAL, ShareBits(share), kCreate,
               kNonDirectory | kSynchronousNonAlert, nullptr, 0) >= 0) {
      handle_ = file;
      return true;
    }
  }
  return CreateNew(path, share);
}

bool OsFile::IsOpen() const {
  return H(handle_) != INVALID_HANDLE_VALUE;
}

int64_t OsFile::Read(void* buffer, size_t count) {
  if (!IsOpen()) return -1;
  DWORD got = 0;
  DWORD want = count > 0x40000000u ? 0x40000000u : DWORD(count);
  if (!ReadFile(H(handle_), buffer, want, &got, nullptr)) return -1;
  return int64_t(got);
}

int64_t OsFile::ReadAt(uint64_t position, void* buffer, size_t count) {
  if (!IsOpen()) return -1;
  // A synchronous handle reads at the offset the OVERLAPPED record names.
  OVERLAPPED at = {};
  at.Offset = DWORD(position);
  at.OffsetHigh = DWORD(position >> 32);
  DWORD got = 0;
  DWORD want = count > 0x40000000u ? 0x40000000u : DWORD(count);
  if (!ReadFile(H(handle_), buffer, want, &got, &at))
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  return int64_t(got);
}

size_t OsFile::Write(const void* buffer, size_t count, bool* diskFull) {
  if (diskFull) *diskFull = false;
  if (!IsOpen()) return 0;
  const char* p = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    DWORD part = count - done > 0x40000000u ? 0x40000000u : DWORD(count - done);
    DWORD wrote = 0;
    if (!WriteFile(H(handle_), p + done, part, &wrote, nullptr) || wrote == 0) {
      DWORD e = GetLastError();
      if (diskFull && (e == ERROR_DISK_FULL || e == ERROR_HANDLE_DISK_FULL || wrote == 0))
        *diskFull = e == ERROR_DISK_FULL || e == ERROR_HANDLE_DISK_FULL;
      break;
    }
    done += wrote;
  }
  return done;
}

bool OsFile::Seek(uint64_t position) {
  if (!IsOpen()) return false;
  LARGE_INTEGER li;
  li.QuadPart = LONGLONG(position);
  return SetFilePointerEx(H(handle_), li, nullptr, FILE_BEGIN) != 0;
}

int64_t OsFile::Position() const {
  if (!IsOpen()) return -1;
  LARGE_INTEGER zero, pos;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(H(handle_), zero, &pos, FILE_CURRENT)) return -1;
  return pos.QuadPart;
}

int64_t OsFile::Size() const {
  if (!IsOpen()) return -1;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(H(handle_), &size)) return -1;
  return size.QuadPart;
}

bool OsFile::SetDosDateTime(uint32_t dosDateTime) {
  FILETIME ft;
  return IsOpen() && FileTimeFromDos(dosDateTime, ft) &&
         SetFileTime(H(handle_), nullptr, nullptr, &ft);
}

OsFileId OsFile::Identity() const {
  BY_HANDLE_FILE_INFORMATION info;
  OsFileId id;
  if (IsOpen() && GetFileInformationByHandle(H(handle_), &info))
    id = {info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
          true};
  return id;
}

bool OsFile::Finish(uint32_t dosDateTime, uint32_t attributes, const OsPath& path) {
  SetDosDateTime(dosDateTime);
  bool closed = Close();
  // Windows XP sets attributes by name only.
  if (attributes != fattr::kInvalid) SetFileAttributesW(Wide(path).c_str(), attributes);
  return closed;
}

bool OsFile::Close() {
  if (!IsOpen()) return true;
  BOOL ok = CloseHandle(H(handle_));
  handle_ = INVALID_HANDLE_VALUE;
  return ok != 0;
}

struct OsDirSearch::Pending {
  WIN32_FIND_DATAW data;
};

OsDirSearch::~OsDirSearch() {
  Release();
  delete pending_;
}

void OsDirSearch::Release() {
  if (H(handle_) != INVALID_HANDLE_VALUE) FindClose(H(handle_));
  handle_ = INVALID_HANDLE_VALUE;
  havePending_ = false;
}

bool OsDirSearch::Open(const OsPath& folder, const char* match) {
  Release();
  utf8_ = folder.utf8;
  if (!pending_) pending_ = new Pending;
  std::wstring pattern = Wide(folder);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += match ? winbase::Widen(match) : std::wstring(L"*.*");
  handle_ = FindFirstFileW(pattern.c_str(), &pending_->data);
  havePending_ = H(handle_) != INVALID_HANDLE_VALUE;
  return havePending_;
}

bool OsDirSearch::Next(OsFindData& out) {
  while (havePending_) {
    const WIN32_FIND_DATAW& d = pending_->data;
    bool dots = wcscmp(d.cFileName, L".") == 0 || wcscmp(d.cFileName, L"..") == 0;
    if (!dots) {
      out.name = NarrowPath(d.cFileName, utf8_);
      out.lostName.clear();
      if (!utf8_ && winbase::Widen(out.name) != std::wstring(d.cFileName))
        out.lostName = winbase::ToUtf8(d.cFileName);
      out.attributes = d.dwFileAttributes;
      out.dosDateTime = DosFromFileTime(d.ftLastWriteTime);
      out.size = (uint64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    }
    havePending_ = FindNextFileW(H(handle_), &pending_->data) != 0;
    if (!dots) return true;
  }
  return false;
}

uint32_t OsGetAttributes(const OsPath& path) {
  std::wstring w = Wide(path);
  while (w.size() > 3 && w.back() == L'\\') w.pop_back();
  DWORD a = GetFileAttributesW(w.c_str());
  return a == INVALID_FILE_ATTRIBUTES ? fattr::kInvalid : uint32_t(a);
}

bool OsSetAttributes(const OsPath& path, uint32_t attributes) {
  return SetFileAttributesW(Wide(path).c_str(), attributes) != 0;
}

bool OsCreateFolder(const OsPath& path) {
  return CreateDirectoryW(Wide(path).c_str(), nullptr) != 0;
}

namespace {
// Where the first folder that can be made begins: after "C:\", "\\server\share\", "\\?\C:\"
// or a leading "\".
size_t RootLength(const std::wstring& w) {
  size_t i = 0;
  if (w.compare(0, 4, L"\\\\?\\") == 0) i = 4;
  size_t server = std::wstring::npos;
  if (i == 4 && w.compare(4, 4, L"UNC\\") == 0)
    server = 8;
  else if (i == 0 && w.compare(0, 2, L"\\\\") == 0)
    server = 2;
  if (server != std::wstring::npos) {
    size_t share = w.find(L'\\', server);
    size_t end = share == std::wstring::npos ? share : w.find(L'\\', share + 1);
    return end == std::wstring::npos ? w.size() : end + 1;
  }
  if (w.size() >= i + 2 && w[i + 1] == L':') i += 2;
  return i < w.size() && w[i] == L'\\' ? i + 1 : i;
}

bool IsFolder(const wchar_t* path) {
  DWORD a = GetFileAttributesW(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

bool OsForceFolders(const OsPath& path) {
  std::wstring w = Wide(path);
  while (w.size() > 3 && w.back() == L'\\') w.pop_back();
  if (w.empty()) return false;
  if (w.size() >= MAX_PATH && w.compare(0, 4, L"\\\\?\\") != 0) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  if (CreateDirectoryW(w.c_str(), nullptr)) return true;
  DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) {
    if (IsFolder(w.c_str())) return true;
    SetLastError(error);
    return false;
  }
  if (error != ERROR_PATH_NOT_FOUND) return false;
  // The one string is cut at a separator in place to name each parent: back to the deepest
  // one that exists, then forward making the rest.
  const size_t root = RootLength(w);
  size_t from = root;
  for (size_t end = w.size(); end > root;) {
    size_t slash = w.rfind(L'\\', end - 1);
    if (slash == std::wstring::npos || slash < root) break;
    w[slash] = L'\0';
    bool exists = IsFolder(w.c_str());
    w[slash] = L'\\';
    if (exists) {
      from = slash + 1;
      break;
    }
    end = slash;
  }
  for (;;) {
    size_t slash = w.find(L'\\', from);
    if (slash != std::wstring::npos) w[slash] = L'\0';
    bool made = CreateDirectoryW(w.c_str(), nullptr) ||
                (GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(w.c_str()));
    DWORD why = GetLastError();
    if (slash == std::wstring::npos) return made;
    w[slash] = L'\\';
    if (!made) {
      SetLastError(why);
      return false;
    }
    from = slash + 1;
  }
}

bool OsDeleteFile(const OsPath& path) {
  return DeleteFileW(Wide(path).c_str()) != 0;
}
bool OsRemoveFolder(const OsPath& path) {
  return RemoveDirectoryW(Wide(path).c_str()) != 0;
}
bool OsMoveFile(const OsPath& from, const OsPath& to) {
  return MoveFileW(Wide(from).c_str(), Wide(to).c_str()) != 0;
}

bool OsReplaceFile(const OsPath& from, const OsPath& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::string OsPathKey(const OsPath& path) {
  std::wstring w = Wide(path);
  DWORD need = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (need > 0) {
    std::wstring full(need, L'\0');
    DWORD got = GetFullPathNameW(w.c_str(), need, full.data(), nullptr);
    if (got > 0 && got < need) {
      full.resize(got);
      w = full;
    }
  }
  // "d\x\" (a folder entry) and "d\x" (a file) name one place, as they do on other systems.
  while (w.size() > 3 && (w.back() == L'\\' || w.back() == L'/')) w.pop_back();
  if (!w.empty()) CharUpperBuffW(w.data(), DWORD(w.size()));
  return winbase::ToUtf8(w);
}

bool OsGetFileDosDateTime(const OsPath& path, uint32_t& dosDateTime) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return false;
  dosDateTime = DosFromFileTime(data.ftLastWriteTime);
  return true;
}

uint32_t OsNowDosDateTime() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return DosFromFileTime(ft);
}

std::string OsCurrentFolder(bool utf8) {
  wchar_t buf[MAX_PATH * 2];
  DWORD n = GetCurrentDirectoryW(DWORD(sizeof buf / sizeof buf[0]), buf);
  if (n == 0 || n >= sizeof buf / sizeof buf[0]) return std::string();
  std::string s = NarrowPath(buf, utf8);
  if (s.size() > 3 && s.back() == '\\') s.pop_back();
  return s;
}

std::string OsTempFolder(bool utf8) {
  wchar_t buf[MAX_PATH + 2];
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n == 0 || n > MAX_PATH + 1) return std::string();
  std::string s = NarrowPath(buf, utf8);
  if (!s.empty() && s.back() != '\\') s += '\\';
  return s;
}

std::string OsTempFileName(const OsPath& folder, const std::string& prefix) {
  wchar_t buf[MAX_PATH + 2];
  if (GetTempFileNameW(Wide(folder).c_str(), Wide(prefix).c_str(), 0, buf) == 0)
    return std::string();
  return NarrowPath(buf, folder.utf8);
}

namespace {
// Identity of an open file: volume and index. Opened without access rights, so a file that
// another handle holds exclusively (the writer's own output) can still be asked.
bool FileIdentity(const OsPath& path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE h =
      CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BOOL ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  return ok != 0;
}
}  // namespace

OsFileId OsIdentityOf(const OsPath& path) {
  BY_HANDLE_FILE_INFORMATION info;
  OsFileId id;
  if (FileIdentity(path, info))
    id = {info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
          true};
  return id;
}

bool OsSameFile(const OsPath& a, const OsPath& b) {
  return OsIdentityOf(a).SameAs(OsIdentityOf(b));
}

std::string OsLastErrorText() {
  DWORD code = GetLastError();
  if (code == ERROR_SEEK_ON_DEVICE) return "not a seekable disk file (a pipe, device or console)";
  std::wstring text = code ? winbase::SystemErrorText(code) : std::wstring();
  // The system ends its sentences with a full stop; the reports add their own text.
  while (!text.empty() && (text.back() == L'.' || text.back() == L' ')) text.pop_back();
  return winbase::Narrow(text);
}

std::string OsLongPathName(const OsPath& path) {
  std::wstring w = Wide(path);
  DWORD n = GetLongPathNameW(w.c_str(), nullptr, 0);
  if (n == 0) return path.text;
  std::wstring out(n, L'\0');
  n = GetLongPathNameW(w.c_str(), out.data(), n);
  if (n == 0 || n >= out.size()) return path.text;
  out.resize(n);
  return NarrowPath(out.c_str(), path.utf8);
}

// Reparse points are not entered by the scan, so nothing needs resolving here.
std::string OsResolvedPath(const OsPath&) {
  return std::string();
}

bool OsCopyAccessRights(const OsPath&, const OsPath&) {
  return true;
}

std::string OsUtf8ToAnsi(const std::string& utf8) {
  return winbase::NarrowWithoutBestFit(winbase::Widen(utf8, CP_UTF8));
}

std::string OsAnsiFromWide(const wchar_t* text) {
  return winbase::Narrow(text);
}

std::string OsUtf8Path(const std::string& ansiPath) {
  return winbase::ToUtf8(winbase::Widen(ansiPath));
}

std::string OsOemToAnsi(const std::string& text) {
  std::vector<char> out(text.size() + 1, '\0');
  if (!text.empty()) OemToCharBuffA(text.data(), out.data(), DWORD(text.size()));
  return std::string(out.data(), text.size());
}

std::string OsOemToUtf8(const std::string& oem) {
  return winbase::ToUtf8(winbase::Widen(oem, CP_OEMCP));
}

std::string OsAnsiToOem(const std::string& text) {
  std::vector<char> out(text.size() + 1, '\0');
  if (!text.empty()) CharToOemBuffA(text.data(), out.data(), DWORD(text.size()));
  return std::string(out.data(), text.size());
}

}  // namespace ziparchive
