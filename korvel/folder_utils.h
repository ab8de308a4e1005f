// File-system helpers shared by the library, the conversion and the apply road.
#pragma once
#include <string>
#include <vector>

namespace korvel {

// True when path names an existing file (not a folder).
bool FileExists(const std::wstring& path);

// Names (no folder) of every entry matching a wildcard pattern, files and folders of every
// attribute kind, in the order the file system yields them; "." and ".." are left out.
std::vector<std::wstring> ListMatches(const std::wstring& pattern);

// Like ListMatches, files only.
std::vector<std::wstring> ListFiles(const std::wstring& pattern);

// Deletes a folder with everything inside it. Linked folders (junctions) are removed as links,
// never followed. Failures are ignored; returns true when the folder is gone afterwards.
bool RemoveFolderTree(const std::wstring& folder);

// Makes folder exist and hold nothing, whatever an earlier stopped run left in it.
bool PrepareEmptyFolder(const std::wstring& folder);

// Copies a file, replacing an existing target.
bool CopyFileOver(const std::wstring& from, const std::wstring& to);

}  // namespace korvel
