#include "bramlow/sequence/install_sequence.h"

#include <windows.h>

#include "bramlow/actions/entries/action_context.h"
#include "bramlow/actions/entries/copy_files.h"
#include "bramlow/actions/entries/file_copy.h"
#include "bramlow/actions/entries/folder_chain.h"
#include "bramlow/state/destination_check.h"
#include "bramlow/state/folder_macros.h"
#include "bramlow/actions/entries/ini_entry.h"
#include "bramlow/state/language_texts.h"
#include "bramlow/actions/entries/program_entry.h"
#include "bramlow/actions/entries/registry_entry.h"
#include "bramlow/actions/entries/shortcut_entry.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/actions/entries/uninstall_key.h"
#include "bramlow/formats/uninstall_list.h"

namespace bramlow {
namespace {

std::wstring Numbered(const wchar_t* prefix, int n) {
  return prefix + std::to_wstring(n);
}

// The destination as the system resolves it: "C:\\Apps\\..\\Demo" is "C:\\Demo" and "C:/Apps" is
// "C:\\Apps". Every file is listed for the uninstaller under this form, which refuses entries
// with ".." in them and would leave such an installation in place; the folder chain is made
// at backslashes only.
std::wstring WholeFolderPath(const std::wstring& folder) {
  const DWORD size = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
  if (size == 0) return folder;
  std::wstring full(size, L'\0');
  const DWORD n = GetFullPathNameW(folder.c_str(), size, full.data(), nullptr);
  if (n == 0 || n >= size) return folder;
  full.resize(n);
  return full;
}

// Returns the source tree as its count found it.
SourceTree Prepare(TSetupState& state, IInstallView& view) {
  view.ShowProgressPage();
  state.DestFolder = WholeFolderPath(view.DestinationText());
  view.Repaint();
  view.SetProgressTitle(LangText(state, 18));
  view.ShowStatus(LangText(state, 19));
  view.DisableButtons();
  // Formed before the trailing backslash goes: the expansion folds the doubled one.
  if (state.CreateUninst) OpenUninstallList(state);
  state.FileCounter = 0;
  state.CopiedCounter = 0;
  state.FolderCounter = 0;
  MakeFolderChain(state.DestFolder);
  SourceTree tree = CountTreeFiles(state.SourceFolder, state, view);
  if (!state.DestFolder.empty() && state.DestFolder.back() == L'\\') state.DestFolder.pop_back();
  return tree;
}

void CopySourceTree(const SourceTree& tree, TSetupState& state, IInstallView& view) {
  view.SetProgressMaximum(state.FileCounter);
  CopyTree(tree, state, view);
}

void CopySingleFiles(TSetupState& state, ActionContext& context, IInstallView& view) {
  if (state.OthCount <= 0) return;
  view.SetProgressPosition(0);
  view.SetProgressMaximum(state.OthCount);
  view.Repaint();
  for (int n = 1; n <= state.OthCount; ++n) {
    state.ScriptFile->Section = Numbered(L"Oth", n);
    view.SetProgressPosition(n);
    CopyFileEntry(n, context, view);
  }
}

void WriteIniEntries(TSetupState& state, const ActionContext& context, IInstallView& view) {
  if (state.IniCount <= 0) return;
  view.ShowStatus(LangText(state, 22));
  view.SetProgressPosition(0);
  view.ProcessOneMessage();
  ProfileFile& script = *state.ScriptFile;
  for (int n = 1; n <= state.IniCount; ++n) {
    script.Section = Numbered(L"Ini", n);
    std::wstring data = script.ProfileText(L"Data", L"");
    std::wstring value = script.ProfileText(L"Value", L"");
    std::wstring section = script.ProfileText(L"Section", L"");
    std::wstring file = script.ProfileText(L"File", L"");
    // The entry expands the file and the data itself.
    WriteIniEntry(file, section, value, data, context);
  }
}

void WriteRegistryValues(TSetupState& state, const ActionContext& context, IInstallView& view) {
  if (state.RegCount <= 0) return;
  view.ShowStatus(LangText(state, 23));
  view.SetProgressPosition(0);
  view.ProcessPendingMessages();
  ProfileFile& script = *state.ScriptFile;
  for (int n = 1; n <= state.RegCount; ++n) {
    script.Section = Numbered(L"Reg", n);
    std::wstring data = script.ProfileText(L"Data", L"");
    int type = script.ProfileInteger(L"Type", 0);
    std::wstring value = script.ProfileText(L"Value", L"");
    std::wstring key = script.ProfileText(L"Key", L"");
    std::wstring root = script.ProfileText(L"Root", L"");
    // A value that was there before (or that no write made) is left to its owner on removal.
    const bool made = WriteRegistryEntry(root, key, value, type, data, context);
    if (state.CreateUninst && made) RecordRegItem(state, n, root, key, value);
  }
  if (state.CreateUninst) RecordRegCount(state);
}

void CreateShortcuts(TSetupState& state, ActionContext& context, IInstallView& view) {
  if (state.LnkCount <= 0) return;
  view.ShowStatus(LangText(state, 24));
  view.SetProgressPosition(0);
  view.ProcessPendingMessages();
  for (int n = 1; n <= state.LnkCount; ++n) {
    state.ScriptFile->Section = Numbered(L"Lnk", n);
    ShortcutEntry(n, context);
  }
}

void RunPrograms(TSetupState& state, ActionContext& context, IInstallView& view) {
  if (state.ExeCount <= 0) return;
  view.ShowStatus(LangText(state, 19));
  view.SetProgressPosition(0);
  view.ProcessPendingMessages();
  for (int n = 1; n <= state.ExeCount; ++n) {
    state.ScriptFile->Section = Numbered(L"Exe", n);
    ProgramEntry(n, context, view);
    view.FocusWindow();
  }
}

void LeaveUninstaller(TSetupState& state) {
  state.ScriptFile->Section = L"setup1";
  if (!state.CreateUninst) return;
  const std::wstring from = state.InstallerFolder + L"setup.dat";
  const std::wstring to = ExpandMacros(state.DestFolder + L"\\Uninstall.exe", state);
  // The installation's own copy: the system's leaves a half-written program behind on a full
  // disk, which the uninstall key would then name.
  const bool copied = CopyUninstaller(from, to);
  const DWORD error = copied ? 0 : GetLastError();
  Steps().Copy(from, to, copied, error);
  if (state.ScriptFile->ProfileBoolean(L"RegUninst", false)) {
    Steps().Line(L"uninstall key " + UninstallKeyName(state.AppName) + L":");
    WriteUninstallKey(state);
  }
}

// The list is written whole at its closing; what is on disk then is what the uninstaller gets.
void LogUninstallList(const TSetupState& state) {
  if (!state.UninstallFile) return;
  const std::wstring& path = state.UninstallFile->FileName;
  const bool there = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  Steps().Result(L"uninstall list " + path + L" (" + std::to_wstring(state.FileCounter) +
                     L" files, " + std::to_wstring(state.FolderCounter) + L" folders, " +
                     std::to_wstring(state.OcxCounter) + L" COM servers)",
                 there);
}

void ShowFinish(TSetupState& state, IInstallView& view) {
  view.ShowFinishPage();
  view.Repaint();
  view.SetFinishTitle(LangText(state, 25));
  view.EnableClose(LangText(state, 29));
  state.Finished = true;
  if (state.Reboot) {
    view.SetFinishText(LangTextFormatted(state, 27, state.AppName));
    view.OfferRestart(LangText(state, 28));
  } else {
    view.SetFinishText(LangTextFormatted(state, 26, state.AppName));
  }
  if (state.CopyFailed) {
    view.SetFinishTitle(LangTextFormatted(state, 37, state.AppName));
    view.SetFinishText(LangTextFormatted(state, 38, L""));
  }
}

}  // namespace

void RunInstallation(TSetupState& state, IInstallView& view) {
  const SourceTree tree = Prepare(state, view);
  ActionContext context(state);
  CopySourceTree(tree, state, view);
  CopySingleFiles(state, context, view);
  WriteIniEntries(state, context, view);
  WriteRegistryValues(state, context, view);
  CreateShortcuts(state, context, view);
  RunPrograms(state, context, view);
  LeaveUninstaller(state);
  ShowFinish(state, view);
  if (state.CreateUninst) {
    for (const std::wstring& program : CloseUninstallList(state, view.LinkText()))
      Steps().Line(L"uninstall program " + program + L": failed (" +
                   DestinationProblemText(DestinationProblem::OutsideTheCodePage, program) + L")");
    LogUninstallList(state);
  }
  view.FocusWindow();
  view.Repaint();
}

}  // namespace bramlow
