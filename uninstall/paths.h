// Which paths of a list the uninstaller may touch, and how it compares them.
#pragma once

#include <string>

namespace uninstall {

// "\\server\share\..." and the like ("\\?\", "//host/..."): the uninstaller never reaches
// over the network, whatever a list says.
bool IsNetworkPath(const std::wstring& path);

// A full path on a local drive ("C:\..."); a relative entry would resolve against whatever
// the current folder happens to be.
bool IsLocalFullPath(const std::wstring& path);

// Upper-cased, without trailing separators (a drive root keeps its backslash): the form in
// which two spellings of one path compare equal.
std::wstring FoldedPath(std::wstring path);

// The same file or folder, also when one of them is written in its short (8.3) form.
bool SameFile(const std::wstring& a, const std::wstring& b);

}  // namespace uninstall
