// Which paths of a list the uninstaller may touch, and how it compares them.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "winbase/file_identity.h"

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

// Why a list entry is no name the installation wrote, whatever it names: Windows would act on
// another file than the text says (a part ending in a dot or space, which the system drops:
// "win.ini." is "win.ini"; an empty part; a ':' that names a stream; a device or "\\?\" path),
// or the installation could not have listed it (a character no file name may hold, one the ANSI
// code page of the list cannot hold). Empty when the text is a plain name. A single trailing
// backslash, as a folder may be listed with, is no empty part.
std::wstring BadNameReason(const std::wstring& path);

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
// either is given relative to the current folder, in short (8.3) form or through another drive
// letter or folder link that leads to the same folder.
bool KeepsFolder(const std::wstring& file, const std::wstring& folder);

// file (also relative to the current folder) is one of listed, in any spelling of either: a
// log written there would be removed with the installation, or keep it for every run.
bool IsOneOf(const std::wstring& file, const std::vector<std::wstring>& listed);

// The long form of a path that exists ("C:\PROGRA~1" is "C:\Program Files"); as given otherwise.
std::wstring LongPath(const std::wstring& path);

// The same file or folder, also when one of them is written in its short (8.3) form.
bool SameFile(const std::wstring& a, const std::wstring& b);

// The identities of folders, each looked up once (by its spelling): what a removal asks of
// every file's folder costs one question of the file system per folder, not per file.
class FolderIdentities {
 public:
  std::optional<winbase::FileIdentity> Of(const std::wstring& folder);
  // folder, or one of the folders above it, is `above` (however either is spelt).
  bool IsAtOrBelow(const std::wstring& folder, const winbase::FileIdentity& above);
  void Clear() { known_.clear(); }

 private:
  std::map<std::wstring, std::optional<winbase::FileIdentity>> known_;
};

}  // namespace uninstall
