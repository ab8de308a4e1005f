#pragma once
// Writing the uninstall list (Uninstall.ini in the destination folder) for the separate
// uninstaller. Every function does nothing when the installation keeps no list
// (SetupState's UninstallFile is empty); failed writes are not reported.
#include <string>

#include "bramlow/state/setup_state.h"

namespace bramlow {

inline constexpr wchar_t kUninstallListName[] = L"Uninstall.ini";

// Creates the writer on the expanded DestFolder + "\Uninstall.ini", section "uninstall". Only
// the uninstaller reads the list, after the installation, so the writer batches its values
// (see ProfileFile); CloseUninstallList writes out the rest. A list an earlier installation
// left in the folder is kept: this installation's records are numbered above its records
// (state.EarlierList), and its counts are taken out at once: until the closing writes them
// again, the list reads as unfinished.
void OpenUninstallList(TSetupState& state);

// Numbers below are this installation's own; each is written above EarlierList's.
// files/<number> := path (tree files take the number of files copied so far).
void RecordFile(TSetupState& state, int number, const std::wstring& path);
// folders/<number> := path (tree folders take FolderCounter, counted with or without a list).
void RecordFolder(TSetupState& state, int number, const std::wstring& path);
// The next number of files, folders or Ocx: increments its counter and records path.
void RecordNextFile(TSetupState& state, const std::wstring& path);
void RecordNextFolder(TSetupState& state, const std::wstring& path);
void RecordNextOcx(TSetupState& state, const std::wstring& path);
// Reg<number>: the script's own Root, Key and Value texts.
void RecordRegItem(TSetupState& state, int number, const std::wstring& root,
                   const std::wstring& key, const std::wstring& value);
// uninstall/RegCount := the highest Reg section number in use (state.RegCount above the earlier).
void RecordRegCount(TSetupState& state);

// The closing sections: the counts (each the highest number in use), the link and
// application name, the uninstaller's seven language texts (texts 30 to 36 of the language
// file) and the expanded un_exe programs of the script, which replace an earlier
// installation's; then everything kept goes to the file.
void CloseUninstallList(TSetupState& state, const std::wstring& linkText);

}  // namespace bramlow
