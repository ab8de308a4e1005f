#pragma once
// The setup engine's whole run-time state: one record, alive for the whole run.
#include <memory>
#include <string>

#include "bramlow/actions/profile/profile_file.h"

namespace bramlow {

struct TSetupState {
  // Folder of the running engine with its trailing backslash (%Installer%).
  std::wstring InstallerFolder;
  // The chosen language, its file name without extension (%Lang%).
  std::wstring LangName;

  // Readers on the language file (section "language") and the script, set when the script is
  // loaded; the writer on the uninstall list, present only during an installation that
  // leaves one.
  std::unique_ptr<ProfileFile> LangFile;
  std::unique_ptr<ProfileFile> ScriptFile;
  std::unique_ptr<ProfileFile> UninstallFile;

  std::wstring AppName;
  std::wstring Site;
  std::wstring DestFolder;    // expanded; replaced by the edit box's text at installation (%Dest%)
  std::wstring SourceFolder;  // expanded
  std::wstring FreeSpace;     // as written in the script

  bool EditDest = false;
  bool CreateUninst = false;
  bool Reboot = false;
  bool NoLogo = false;
  bool Stretch = false;
  bool FailIfExists = false;  // the script's Overwrite, negated

  int OthCount = 0;
  int IniCount = 0;
  int RegCount = 0;
  int LnkCount = 0;
  int ExeCount = 0;

  int PageStep = 0;       // 0 welcome, 1 licence, 2 folder page, 3 progress and finish
  bool Finished = false;  // closing needs no confirmation
  bool CopyFailed = false;

  // Running numbers of the uninstall list.
  int FileCounter = 0;
  int CopiedCounter = 0;
  int OcxCounter = 0;
  int FolderCounter = 0;

  // The highest numbers an earlier installation into the same folder used in its uninstall
  // list: this installation numbers its records above them, so the list keeps both and the
  // uninstaller removes what either made.
  struct ListNumbersUsed {
    int Files = 0, Folders = 0, Ocx = 0, Reg = 0;
  } EarlierList;

  // What building the wizard window clears again.
  void ClearForNewWindow();
};

// The one state record of the program.
extern TSetupState SetupState;

}  // namespace bramlow
