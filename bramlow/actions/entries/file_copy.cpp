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

// GetFileInformationByHandleEx and what it gives, as Vista's headers declare them (the build
// targets XP, whose headers do not).
using QueryByHandle = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
constexpr int kFileBasicInfo = 0;
struct BasicInfo {
  LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime;
  DWORD FileAttributes;
};

// The source's attributes and modification time, asked for alone where the system can (from
// Vista on): asked for with everything else (GetFileInformationByHandle) they come with the
// volume's serial number, which under Wine is a request to another process for every file.
bool ReadFacts(HANDLE source, SourceFacts& facts) {
  static const auto query = reinterpret_cast<QueryByHandle>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetFileInformationByHandleEx")));
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
  bool copied = CopyContent(source.get(), target.get());
  if (copied) {
    // A file system that keeps no such time (or refuses to set it) still holds the whole
    // file, which the system's copy counts as copied too.
    ::SetFileTime(target.get(), nullptr, nullptr, &facts.written);
    // A write the system held back can still fail when the file is closed.
    copied = ::CloseHandle(target.release()) != FALSE;
  }
  if (!copied) {
    target.reset();
    TakeAwayFailedCopy(to);
    return false;
  }
  ::SetLastError(0);
  return true;
}

}  // namespace bramlow
