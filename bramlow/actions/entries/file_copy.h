#pragma once
// One file's copy, as the installation makes it.
#include <string>

namespace bramlow {

// Copies from's content to `to`, which takes from's attributes and modification time, as the
// system's file copy does; with failIfExists an existing `to` is left alone (ERROR_FILE_EXISTS).
// GetLastError says why a copy failed; a copy that fails after making `to` takes it away again,
// so no half-written file stays behind to be mistaken for an installed one.
//
// Why not the system's copy: under Wine it first tries to open `to` as an existing file and
// then creates it, and each of those looks the name up again, reading the whole destination
// folder for a name that differs only in case. For the thousands of small files of a tree
// that second look-up is a sixth of the copy. The two files' sharing stands in for that
// look-up: a file copied onto itself (under another name, through a link) fails with a
// sharing violation instead of being emptied, also one another program holds open.
bool CopyOneFile(const std::wstring& from, const std::wstring& to, bool failIfExists);

// The uninstaller's copy of itself: replaces `to`, keeps from's modification time and gives
// `to` no attributes. A kit on a CD (or a hidden setup.dat) would make it read-only or hidden,
// and the command interpreter's del, which takes it away once it has run, leaves such a file
// and its folder behind.
bool CopyUninstaller(const std::wstring& from, const std::wstring& to);

// Takes away what a copy that failed after making `to` left there; GetLastError stays as the
// failure left it.
void TakeAwayFailedCopy(const std::wstring& to);

}  // namespace bramlow
