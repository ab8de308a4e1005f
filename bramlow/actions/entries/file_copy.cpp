#include "bramlow/actions/entries/file_copy.h"

#include <windows.h>

#include <memory>

#include "winbase/handles.h"

namespace bramlow {
namespace {

// What goes through at a time: a few megabytes in a few dozen reads and writes, through a
// buffer that stays in the processor's cache (a larger one, new for every file, would cost
// more in fresh pages than it saves in calls).
constexpr DWORD kBufferBytes = 64u << 10;

// The attributes a new file may be given (the rest describe what the file system made of it).
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool CopyContent(HANDLE source, HANDLE target) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBufferBytes]);
  if (!buffer) {
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(source, buffer.get(), kBufferBytes, &got, nullptr)) return false;
    if (got == 0) return true;
    for (DWORD done = 0; done < got;) {
      DWORD put = 0;
      if (!::WriteFile(target, buffer.get() + done, got - done, &put, nullptr)) return false;
      if (put == 0) {
        ::SetLastError(ERROR_WRITE_FAULT);
        return false;
      }
      done += put;
    }
  }
}

// What the copy takes over from its source.
struct SourceFacts {
  DWORD attributes = 0;
  FILETIME written{};
};

// GetFileInformationByHandleEx, SetFileInformationByHandle and what they take, as Vista's
// headers declare them (the build targets XP, whose headers do not); null before Vista.
using ByHandle = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
constexpr int kFileBasicInfo = 0;
struct BasicInfo {
  LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime;  // 0: left as it is
  DWORD FileAttributes;                                                   // 0: left as it is
};

ByHandle Kernel32Function(const char* name) {
  return reinterpret_cast<ByHandle>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

// The source's attributes and modification time, asked for alone where the system can (from
// Vista on): asked for with everything else (GetFileInformationByHandle) they come with the
// volume's serial number, which under Wine is a request to another process for every file.
bool ReadFacts(HANDLE source, SourceFacts& facts) {
  static const ByHandle query = Kernel32Function("GetFileInformationByHandleEx");
  if (query) {
    BasicInfo basic;
    if (!query(source, kFileBasicInfo, &basic, sizeof basic)) return false;
    facts.attributes = basic.FileAttributes;
    facts.written.dwLowDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart);
    facts.written.dwHighDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart >> 32);
    return true;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(source, &info)) return false;
  facts.attributes = info.dwFileAttributes;
  facts.written = info.ftLastWriteTime;
  return true;
}

// What a copy's attributes are set to: the source's, or none.
DWORD CopyAttributes(const SourceFacts& facts) {
  const DWORD attributes = facts.attributes & kSettableAttributes;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

// Gives the copy the source's modification time and, when it replaced a file, the source's
// attributes: a file replaced keeps its own where the system lets a read-only or hidden file
// be replaced (Wine does). By the handle where the system can; true when the attributes are
// still to be set by name, once the file is closed. Neither is checked: a file system that
// keeps no such time still holds the whole file, which the system's copy counts as copied too.
bool GiveFacts(HANDLE target, const SourceFacts& facts, bool replaced) {
  static const ByHandle set = Kernel32Function("SetFileInformationByHandle");
  if (set) {
    BasicInfo basic{};
    basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(
        (static_cast<ULONGLONG>(facts.written.dwHighDateTime) << 32) |
        facts.written.dwLowDateTime);
    if (replaced) basic.FileAttributes = CopyAttributes(facts);
    if (set(target, kFileBasicInfo, &basic, sizeof basic) || !replaced) return false;
    // The time refused (a file of another owner's) takes the attributes with it: alone.
    basic.LastWriteTime.QuadPart = 0;
    set(target, kFileBasicInfo, &basic, sizeof basic);
    return false;
  }
  ::SetFileTime(target, nullptr, nullptr, &facts.written);
  return replaced;
}

}  // namespace

void TakeAwayFailedCopy(const std::wstring& to) {
  const DWORD error = ::GetLastError();
  // The copy of a read-only source was made read-only, and the system deletes no read-only
  // file: cleared, it goes (a file left behind would be taken for an installed one).
  if (!::DeleteFileW(to.c_str()) && ::SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL))
    ::DeleteFileW(to.c_str());
  ::SetLastError(error);
}

bool CopyOneFile(const std::wstring& from, const std::wstring& to, bool failIfExists) {
  // Either handle keeps the other from being the same file (under another name, through a
  // link), which the target's opening would empty: the source shares no writing, so the
  // target's opening for writing fails with a sharing violation. A source another program
  // writes to, sharing it (a log), opens only with write sharing; then the target shares no
  // reading, which the source's handle has. A target in use, shared, is replaced, as the
  // system's copy replaces it.
  DWORD targetSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
  winbase::FileHandle source(::CreateFileW(from.c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source && ::GetLastError() == ERROR_SHARING_VIOLATION) {
    source.reset(::CreateFileW(from.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    targetSharing = FILE_SHARE_WRITE;
  }
  if (!source) return false;
  SourceFacts facts;
  if (!ReadFacts(source.get(), facts)) return false;
  winbase::FileHandle target(::CreateFileW(
      to.c_str(), GENERIC_WRITE, targetSharing, nullptr,
      failIfExists ? CREATE_NEW : CREATE_ALWAYS,
      (facts.attributes & kSettableAttributes) | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!target) return false;
  const bool replaced = !failIfExists && ::GetLastError() == ERROR_ALREADY_EXISTS;
  bool copied = CopyContent(source.get(), target.get());
  bool attributesByName = false;
  if (copied) {
    attributesByName = GiveFacts(target.get(), facts, replaced);
    // A write the system held back can still fail when the file is closed.
    copied = ::CloseHandle(target.release()) != FALSE;
  }
  if (!copied) {
    target.reset();
    TakeAwayFailedCopy(to);
    return false;
  }
  if (attributesByName) ::SetFileAttributesW(to.c_str(), CopyAttributes(facts));
  ::SetLastError(0);
  return true;
}

bool CopyUninstaller(const std::wstring& from, const std::wstring& to) {
  // An earlier one made so by an earlier installation is not replaced by the system as it is.
  ::SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!CopyOneFile(from, to, false)) return false;
  ::SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::SetLastError(0);
  return true;
}

}  // namespace bramlow
