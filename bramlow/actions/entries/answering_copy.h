#pragma once
// A file's copy, with the window still answering while a large file is copied.
#include <cstdint>
#include <string>

#include "bramlow/actions/entries/action_host.h"

namespace bramlow {

// From this size on a file is copied on a thread of its own while this thread handles the
// window's messages: the system copies a file in one call, which for a large file on a slow
// disk or a network share lasts seconds, and a window that handles nothing that long is
// "not responding" to its user, who may close it halfway through the installation. A smaller
// file is copied before anyone could tell, and a thread would cost more than its copy.
inline constexpr std::uint64_t kCopyOnThreadBytes = 8ull << 20;

// CopyOneFile(from, to, failIfExists), with GetLastError as the copy left it. `size` is the
// source's size as the caller knows it; from kCopyOnThreadBytes on, host handles the window's
// messages once a turn until the copy has ended.
bool CopyFileAnswering(const std::wstring& from, const std::wstring& to, bool failIfExists,
                       std::uint64_t size, IActionHost& host);

// The size of a file by its name; 0 when it cannot be asked (the copy then says why).
std::uint64_t FileSizeOf(const std::wstring& path);

}  // namespace bramlow
