#pragma once
// Writing the uninstall list (Uninstall.ini in the destination folder) for the separate
// uninstaller. Every function does nothing when the installation keeps no list
// (SetupState's UninstallFile is empty); failed writes are not reported.
#include <string>
#include <vector>

#include "bramlow/state/setup_state.h"

namespace bramlow {

inline constexpr wchar_t kUninstallListName[] = L"Uninstall.ini";

// The folder holds the uninstall list of another application (another AppName; an
// interrupted installation's list, which names none, is taken for this one's). Installing into
// it would merge the two lists, and removing either application would remove both.
bool HoldsAnotherApplicationsList(const std::wstring& folder, const std::wstring& appName);

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
// links/target<number> and links/args<number>, beside files/<number> (a shortcut): what the
// link was made to lead to, quoted so the profile read gives the text back whole. The
// uninstaller leaves a link that leads elsewhere by the time it runs (another installation of
// the application has written over it).
void RecordLink(TSetupState& state, int number, const std::wstring& target,
                const std::wstring& arguments);
// Reg<number>: the script's own Root, Key and Value texts.
void RecordRegItem(TSetupState& state, int number, const std::wstring& root,
                   const std::wstring& key, const std::wstring& value);
// uninstall/RegCount := the highest Reg section number in use (state.RegCount above the earlier).
void RecordRegCount(TSetupState& state);

// The closing sections: the counts (each the highest number in use), the link and
// application name, the uninstaller's seven language texts (texts 30 to 36 of the language
// file) and the expanded un_exe programs of the script, which replace an earlier
// installation's; then everything kept goes to the file. A program whose expanded entry the
// ANSI code page cannot hold is left out (a look-alike would start another program): the
// entries left out are returned.
std::vector<std::wstring> CloseUninstallList(TSetupState& state, const std::wstring& linkText);

}  // namespace bramlow
