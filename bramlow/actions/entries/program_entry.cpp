#include "bramlow/actions/entries/program_entry.h"

#include <windows.h>

#include "bramlow/actions/entries/run_program.h"
#include "bramlow/actions/entries/shell_run.h"
#include "bramlow/text/macro_text.h"

namespace bramlow {

std::wstring ProgramFolderOf(const std::wstring& commandLine) {
  if (!commandLine.empty() && commandLine[0] == L'"') {
    const auto close = commandLine.find(L'"', 1);
    return FolderPart(commandLine.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
  }
  return FolderPart(commandLine);
}

void ProgramEntry(int n, ActionContext& context, IActionHost& host) {
  ProfileFile* item = context.ScriptItem(L"Exe", n);
  if (!item) return;
  ProfileFile& script = *item;
  const bool shell = script.ProfileBoolean(L"Shell", false);
  const bool wait = script.ProfileBoolean(L"Wait", false);
  const std::wstring runType = script.ProfileText(L"RunType", L"");
  const std::wstring file = context.Expand(script.ProfileText(L"File", L""));
  if (shell) {
    ShellRun(file, runType, wait, host);
    return;
  }
  SetCurrentDirectoryW(ProgramFolderOf(file).c_str());
  RunProgram(file, runType, wait, host);
}

}  // namespace bramlow
