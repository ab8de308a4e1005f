#pragma once
// Folder macros of script values ("%Program Files%\Viewer", "%Dest%\bin") and the folder
// dialog of the Browse button.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "bramlow/state/setup_state.h"

namespace bramlow {

// The file-system path of a shell special folder (no trailing backslash except for a drive
// root), or an empty text when this system has no such folder or it is not a file-system one.
std::wstring SpecialFolder(int csidl);

// The temporary-files folder, always ending in a backslash.
std::wstring TempFolder();

// Replaces the folder macros of text, in their fixed order, reading InstallerFolder,
// LangName and DestFolder of state. Never fails; unknown %words% stay as they are.
std::wstring ExpandMacros(std::wstring_view text, const TSetupState& state);
// The same on the program's SetupState.
std::wstring ExpandMacros(std::wstring_view text);

// The shell's folder-choice dialog owned by owner, file-system folders only. Empty when the
// user cancelled. The calling thread must have initialised COM.
std::optional<std::wstring> ChooseFolder(HWND owner);

// The destination the Browse button proposes for a chosen folder: the chosen folder, a
// backslash and the application's own folder name taken from destFolder, expanded (which
// folds the doubled backslash after a drive root).
std::wstring BrowsedDestination(const std::wstring& chosen, const std::wstring& destFolder,
                                const TSetupState& state);

}  // namespace bramlow
