#include "bramlow/actions/entries/answering_copy.h"

#include <windows.h>

#include "bramlow/actions/entries/file_copy.h"
#include "winbase/aligned_thread.h"
#include "winbase/handles.h"

namespace bramlow {
namespace {

// As often as the window looks at its queue during the rest of the installation.
constexpr DWORD kTurnMs = 10;

struct CopyJob {
  const std::wstring* from = nullptr;
  const std::wstring* to = nullptr;
  BOOL failIfExists = FALSE;
  BOOL copied = FALSE;
  DWORD error = 0;
};

void Copy(void* job) {
  auto& copy = *static_cast<CopyJob*>(job);
  copy.copied = CopyOneFile(*copy.from, *copy.to, copy.failIfExists != FALSE);
  copy.error = copy.copied ? 0 : ::GetLastError();
}

}  // namespace

bool CopyFileAnswering(const std::wstring& from, const std::wstring& to, bool failIfExists,
                       std::uint64_t size, IActionHost& host) {
  CopyJob job;
  job.from = &from;
  job.to = &to;
  job.failIfExists = failIfExists ? TRUE : FALSE;
  winbase::KernelHandle thread;
  if (size >= kCopyOnThreadBytes)
    thread.reset(::CreateThread(nullptr, 0, &winbase::AlignedThreadEntry<&Copy>, &job, 0, nullptr));
  // A small file, or no thread to be had: copied here.
  if (!thread) {
    Copy(&job);
  } else {
    try {
      while (::WaitForSingleObject(thread.get(), kTurnMs) == WAIT_TIMEOUT)
        host.ProcessPendingMessages();
    } catch (...) {
      // The copy works on this frame's names: it ends before they go.
      ::WaitForSingleObject(thread.get(), INFINITE);
      throw;
    }
  }
  ::SetLastError(job.error);
  return job.copied != FALSE;
}

std::uint64_t FileSizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace bramlow
