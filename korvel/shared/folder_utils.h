// File-system helpers shared by the library, the conversion and the apply road.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

// True when path names an existing file (not a folder).
bool FileExists(const std::wstring& path);

// True when path names an existing folder.
bool FolderExists(const std::wstring& path);

// Whether a file can be read as the archive engine reads it (others may read it meanwhile, none
// may write), asked first so that a folder or a file another program holds is not taken for a
// damaged package.
enum class ReadAccess { Readable, Missing, IsFolder, Refused };
// Refused: systemError, when given, gets the system's reason.
ReadAccess ReadAccessOf(const std::wstring& path, unsigned long* systemError = nullptr);

// The whole file when it holds at most `limit` bytes; nothing when it is larger or unreadable.
std::optional<std::string> ReadSmallFile(const std::wstring& path, std::uint64_t limit);

// Names (no folder) of every entry matching a wildcard pattern, files and folders of every
// attribute kind, in the order the file system yields them; "." and ".." are left out.
std::vector<std::wstring> ListMatches(const std::wstring& pattern);

// Like ListMatches, files only.
std::vector<std::wstring> ListFiles(const std::wstring& pattern);

// Deletes a folder with everything inside it. Linked folders (junctions) are removed as links,
// never followed. Failures are ignored; returns true when the folder is gone afterwards, and
// otherwise leaves the first failure's system error code for GetLastError.
bool RemoveFolderTree(const std::wstring& folder);

// Makes folder exist and hold nothing, whatever an earlier stopped run left in it. On failure
// the system's error code is left for GetLastError.
bool PrepareEmptyFolder(const std::wstring& folder);

// Copies a file, replacing an existing target.
bool CopyFileOver(const std::wstring& from, const std::wstring& to);

// Copies a file into a scratch file beside the target and renames it over the target: on any
// failure (source missing, target read-only or in use, disk full) the target stays exactly as
// it was; a read-only target is never replaced. On failure the system's error code is left for
// GetLastError. The new file is never read-only, whatever the source was.
bool ReplaceWithCopy(const std::wstring& from, const std::wstring& to);

// True when path exists and carries the read-only attribute. Windows refuses to replace such a
// file by renaming over it; checking first gives the same answer on every system.
bool IsReadOnly(const std::wstring& path);

// Clears the read-only attribute (a file copied from a CD keeps it), leaving the others.
bool MakeWritable(const std::wstring& path);

}  // namespace korvel
