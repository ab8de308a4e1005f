#include "bramlow/formats/uninstall_list.h"

#include <windows.h>

#include <algorithm>

#include "bramlow/state/folder_macros.h"
#include "winbase/text.h"
#include "bramlow/actions/profile/profile_lists.h"
#include "bramlow/formats/script_format.h"

namespace bramlow {

namespace {

void Put(TSetupState& state, const wchar_t* section, const std::wstring& key,
         const std::wstring& value) {
  ProfileFile* list = state.UninstallFile.get();
  if (!list) return;
  list->Section = section;
  list->ProfileText(key, value);
}

int Highest(const std::vector<int>& numbers) {
  return numbers.empty() ? 0 : numbers.back();
}

// Above kMaxEntryNumber a number would no longer be read as one.
int Above(int used, int number) {
  return std::min(used + number, kMaxEntryNumber);
}

}  // namespace

bool HoldsAnotherApplicationsList(const std::wstring& folder, const std::wstring& appName) {
  std::wstring list = folder;
  while (!list.empty() && (list.back() == L'\\' || list.back() == L'/')) list.pop_back();
  list += std::wstring(L"\\") + kUninstallListName;
  const DWORD attributes = GetFileAttributesW(list.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  wchar_t listed[2048] = {};
  GetPrivateProfileStringW(L"uninstall", L"AppName", L"", listed, 2048, list.c_str());
  if (!listed[0]) return false;
  // The name as this installation's list would hold it, in the ANSI code page.
  const std::wstring own = winbase::Widen(winbase::NarrowWithoutBestFit(appName));
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, listed, -1, own.c_str(),
                        static_cast<int>(own.size())) != CSTR_EQUAL;
}

void OpenUninstallList(TSetupState& state) {
  state.UninstallFile = std::make_unique<ProfileFile>(
      ExpandMacros(state.DestFolder + L"\\" + kUninstallListName, state), L"uninstall",
      ProfileMode::Write, ProfileWrites::Batched);
  // The counts of an earlier installation into this folder would make a list this one leaves
  // unfinished look complete, and hide its own records above them from the uninstaller.
  // Without them the uninstaller reads every numbered record and says the list is incomplete;
  // the closing writes them again.
  ProfileFile& list = *state.UninstallFile;
  // A second installation into the folder (a repair, an update) must not write its records
  // over the first one's: those files and values are still there, and the uninstaller needs
  // both. Its numbers go above the ones in use.
  const std::wstring& file = list.FileName;
  state.EarlierList.Files = Highest(NumberedKeys(file, L"files"));
  state.EarlierList.Folders = Highest(NumberedKeys(file, L"folders"));
  state.EarlierList.Ocx = Highest(NumberedKeys(file, L"Ocx"));
  state.EarlierList.Reg = Highest(NumberedSections(file, L"Reg"));
  for (const wchar_t* section : {L"files", L"folders", L"Ocx", L"exe"}) {
    list.Section = section;
    list.DeleteKey(L"Count");
  }
  list.Section = L"uninstall";
  list.Flush();
}

void RecordFile(TSetupState& state, int number, const std::wstring& path) {
  Put(state, L"files", std::to_wstring(Above(state.EarlierList.Files, number)), path);
}

void RecordNextFile(TSetupState& state, const std::wstring& path) {
  if (!state.UninstallFile) return;
  RecordFile(state, ++state.FileCounter, path);
}

void RecordFolder(TSetupState& state, int number, const std::wstring& path) {
  Put(state, L"folders", std::to_wstring(Above(state.EarlierList.Folders, number)), path);
}

void RecordNextFolder(TSetupState& state, const std::wstring& path) {
  if (!state.UninstallFile) return;
  RecordFolder(state, ++state.FolderCounter, path);
}

void RecordNextOcx(TSetupState& state, const std::wstring& path) {
  if (!state.UninstallFile) return;
  Put(state, L"Ocx", std::to_wstring(Above(state.EarlierList.Ocx, ++state.OcxCounter)), path);
}

void RecordLink(TSetupState& state, int number, const std::wstring& target,
                const std::wstring& arguments) {
  const std::wstring n = std::to_wstring(Above(state.EarlierList.Files, number));
  Put(state, L"links", L"target" + n, L"\"" + target + L"\"");
  Put(state, L"links", L"args" + n, L"\"" + arguments + L"\"");
}

void RecordRegItem(TSetupState& state, int number, const std::wstring& root,
                   const std::wstring& key, const std::wstring& value) {
  std::wstring section = ItemSection(L"Reg", Above(state.EarlierList.Reg, number));
  Put(state, section.c_str(), L"Root", root);
  Put(state, section.c_str(), L"Key", key);
  Put(state, section.c_str(), L"Value", value);
}

void RecordRegCount(TSetupState& state) {
  Put(state, L"uninstall", L"RegCount",
      std::to_wstring(Above(state.EarlierList.Reg, state.RegCount)));
}

std::vector<std::wstring> CloseUninstallList(TSetupState& state, const std::wstring& linkText) {
  std::vector<std::wstring> leftOut;
  if (!state.UninstallFile) return leftOut;
  RecordRegCount(state);
  // Each count is the highest number in use, so an uninstaller that reads 1 to Count finds
  // the records of an earlier installation into the folder too.
  Put(state, L"Ocx", L"Count", std::to_wstring(Above(state.EarlierList.Ocx, state.OcxCounter)));
  Put(state, L"files", L"Count",
      std::to_wstring(Above(state.EarlierList.Files, state.FileCounter)));
  Put(state, L"folders", L"Count",
      std::to_wstring(Above(state.EarlierList.Folders, state.FolderCounter)));
  Put(state, L"uninstall", L"LinkText", linkText);
  Put(state, L"uninstall", L"LinkUrl", state.Site);
  Put(state, L"uninstall", L"AppName", state.AppName);
  for (int i = 1; i <= 7; ++i) {
    std::wstring text =
        state.LangFile ? state.LangFile->ProfileText(std::to_wstring(29 + i), L"") : L"";
    Put(state, L"language", std::to_wstring(i), text);
  }
  std::vector<std::wstring> programs;
  if (state.ScriptFile) {
    std::wstring previous = state.ScriptFile->Section;
    programs = ReadUnExeEntries(*state.ScriptFile);
    state.ScriptFile->Section = previous;
  }
  // The programs are the latest installation's alone: the application's clean-up as it is now,
  // run once. An earlier installation's entries above them go.
  ProfileFile& list = *state.UninstallFile;
  // What the disk holds is read: a write still under way would be halfway.
  list.FinishWriting();
  list.Section = L"exe";
  for (int n : NumberedKeys(list.FileName, L"exe", L"exe"))
    if (n > static_cast<int>(programs.size())) list.DeleteKey(ItemSection(L"exe", n));
  Put(state, L"exe", L"Count", std::to_wstring(programs.size()));
  for (size_t i = 0; i < programs.size(); ++i) {
    const std::wstring key = ItemSection(L"exe", static_cast<int>(i + 1));
    const std::wstring program = ExpandMacros(programs[i], state);
    // A look-alike of the name would start another program: the entry is left out.
    if (!winbase::FitsCodePage(program)) {
      leftOut.push_back(program);
      list.Section = L"exe";
      list.DeleteKey(key);
      continue;
    }
    Put(state, L"exe", key, program);
  }
  state.UninstallFile->Flush();
  return leftOut;
}

}  // namespace bramlow
