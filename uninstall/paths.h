// Which paths of a list the uninstaller may touch, and how it compares them.
#pragma once

#include <set>
#include <string>

namespace uninstall {

// "\\server\share\..." and the like ("\\?\", "//host/..."): the uninstaller never reaches
// over the network, whatever a list says.
bool IsNetworkPath(const std::wstring& path);

// A full path on a local drive ("C:\..."); a relative entry would resolve against whatever
// the current folder happens to be.
bool IsLocalFullPath(const std::wstring& path);

// No "." or ".." among its parts: a list entry that climbs out of a folder ("App\..\..")
// names something other than what it seems to.
bool HasNoDotParts(const std::wstring& path);

// path is folder or lies below it (spelling as FoldedPath compares).
bool IsAtOrBelow(const std::wstring& path, const std::wstring& folder);

// The Windows folder and the system folder.
std::wstring WindowsFolder();
std::wstring SystemFolder();

// The shell's own folders (desktop, Start menu, Programs, Startup, documents, Favorites,
// program files, the Windows and system folder, the temporary folder ...), folded.
std::set<std::wstring> ShellFolders();

// A folder no uninstaller may remove, even when empty: a drive or share root, a shell folder,
// the Windows or the system folder.
bool IsProtectedFolder(const std::wstring& folder);

// Upper-cased, without trailing separators (a drive root keeps its backslash): the form in
// which two spellings of one path compare equal.
std::wstring FoldedPath(std::wstring path);

// A file that would keep folder from being removed: it lies in folder or below, also when
// either is given relative to the current folder or in short (8.3) form.
bool KeepsFolder(const std::wstring& file, const std::wstring& folder);

// The long form of a path that exists ("C:\PROGRA~1" is "C:\Program Files"); as given otherwise.
std::wstring LongPath(const std::wstring& path);

// The same file or folder, also when one of them is written in its short (8.3) form.
bool SameFile(const std::wstring& a, const std::wstring& b);

}  // namespace uninstall
