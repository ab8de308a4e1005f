#pragma once
// The text side of folder macros, free of any system call so that it builds and is tested on
// every platform: the table of macros in replacement order and the replacement passes.
#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace bramlow {

enum class MacroSource {
  ShellFolder,     // a shell special folder, by CSIDL number
  TempFolder,      // the temporary-files folder, with a trailing backslash
  Installer,       // folder of the running engine
  Language,        // the chosen language's name
  BackslashFold,   // no macro: doubled backslashes become one
  Destination,     // the current destination folder
};

struct MacroRow {
  std::wstring_view name;  // with its percent signs; empty for the backslash fold
  MacroSource source;
  int csidl;               // only for ShellFolder
};

// The 25 rows in the order they are applied. Later rows see text brought in by earlier ones.
extern const std::array<MacroRow, 25> kMacroRows;

// Every non-overlapping occurrence of word, found left to right without regard to the case
// of ASCII letters, replaced by replacement. Replacement text is not searched again.
std::wstring ReplaceAllNoCase(std::wstring_view text, std::wstring_view word,
                              std::wstring_view replacement);

// One left-to-right pass turning each pair of backslashes into one. A leading pair is kept so
// that a network path \\server\share stays one.
std::wstring FoldDoubledBackslashes(std::wstring_view text);

// Applies the rows in order; valueOf gives the replacement text of a macro row and is asked
// only when the text holds that macro at that moment.
std::wstring ExpandMacroRows(std::wstring_view text,
                             const std::function<std::wstring(const MacroRow&)>& valueOf);

// The part of a path after its last backslash or colon (the application's own folder name
// of a destination such as C:\Program Files\Viewer).
std::wstring LastPathComponent(std::wstring_view path);

// The folder part of a path, up to and including its last backslash or colon.
std::wstring FolderPart(std::wstring_view path);

// Whether a destination names a folder wherever the program's current folder is: a drive
// and its root ("C:\...") or a network share ("\\server\share..."). An empty text, "Apps",
// "\Apps" (the current drive's root) and "C:Apps" (the current folder of drive C) do not.
bool IsFullFolderPath(std::wstring_view path);

}  // namespace bramlow
