#include "bramlow/formats/script_format.h"

#include <algorithm>

#include "bramlow/state/folder_macros.h"

namespace bramlow {

namespace {

int Count(ProfileFile& script, const wchar_t* key) {
  return std::min(script.ProfileInteger(key, 0), kMaxItemCount);
}

}  // namespace

std::wstring ItemSection(const wchar_t* prefix, int number) {
  return prefix + std::to_wstring(number);
}

ScriptSetup ReadScriptSetup(ProfileFile& script) {
  ScriptSetup s;
  script.Section = kLogoSection;
  s.NoLogo = script.ProfileBoolean(L"NoLogo", false);
  s.Stretch = script.ProfileBoolean(L"Stretch", false);
  script.Section = kSetupSection;
  s.AppName = script.ProfileText(L"AppName", L"");
  s.WindowName = script.ProfileText(L"WindowName", L"");
  s.LinkName = script.ProfileText(L"LinkName", L"");
  s.Site = script.ProfileText(L"Site", L"");
  s.OnlyNT = script.ProfileInteger(L"OnlyNT", 0);
  s.DestFolder = script.ProfileText(L"DestFolder", L"");
  s.SourceFolder = script.ProfileText(L"SourceFolder", L"");
  s.FreeSpace = script.ProfileText(L"FreeSpace", L"");
  s.EditDest = script.ProfileBoolean(L"EditDest", true);
  s.CreateUninst = script.ProfileBoolean(L"CreateUninst", false);
  s.Overwrite = script.ProfileBoolean(L"Overwrite", false);
  s.OthCount = Count(script, L"OthCount");
  s.IniCount = Count(script, L"IniCount");
  s.RegCount = Count(script, L"RegCount");
  s.LnkCount = Count(script, L"LnkCount");
  s.ExeCount = Count(script, L"ExeCount");
  s.Reboot = script.ProfileBoolean(L"Reboot", false);
  s.RegUninst = script.ProfileBoolean(L"RegUninst", false);
  return s;
}

OthItem ReadOthItem(ProfileFile& script, int number) {
  script.Section = ItemSection(L"Oth", number);
  OthItem item;
  item.Dest = script.ProfileText(L"Dest", L"");
  item.Source = script.ProfileText(L"Source", L"");
  item.Ocx = script.ProfileBoolean(L"Ocx", false);
  return item;
}

IniItem ReadIniItem(ProfileFile& script, int number) {
  script.Section = ItemSection(L"Ini", number);
  IniItem item;
  item.Data = script.ProfileText(L"Data", L"");
  item.Value = script.ProfileText(L"Value", L"");
  item.Section = script.ProfileText(L"Section", L"");
  item.File = script.ProfileText(L"File", L"");
  return item;
}

RegItem ReadRegItem(ProfileFile& script, int number) {
  script.Section = ItemSection(L"Reg", number);
  RegItem item;
  item.Data = script.ProfileText(L"Data", L"");
  item.Type = script.ProfileInteger(L"Type", 0);
  item.Value = script.ProfileText(L"Value", L"");
  item.Key = script.ProfileText(L"Key", L"");
  item.Root = script.ProfileText(L"Root", L"");
  return item;
}

LnkItem ReadLnkItem(ProfileFile& script, int number) {
  script.Section = ItemSection(L"Lnk", number);
  LnkItem item;
  item.Arg = script.ProfileText(L"Arg", L"");
  item.Icon = script.ProfileText(L"Icon", L"");
  item.Index = script.ProfileInteger(L"Index", 0);
  item.WorkFolder = script.ProfileText(L"WorkFolder", L"");
  item.FileName = script.ProfileText(L"FileName", L"");
  item.LinkName = script.ProfileText(L"LinkName", L"");
  return item;
}

ExeItem ReadExeItem(ProfileFile& script, int number) {
  script.Section = ItemSection(L"Exe", number);
  ExeItem item;
  item.File = script.ProfileText(L"File", L"");
  item.Shell = script.ProfileBoolean(L"Shell", false);
  item.Wait = script.ProfileBoolean(L"Wait", false);
  item.RunType = script.ProfileText(L"RunType", L"");
  return item;
}

std::vector<std::wstring> ReadUnExeEntries(ProfileFile& script) {
  script.Section = kUnExeSection;
  std::vector<std::wstring> entries;
  int count = Count(script, L"Count");
  for (int i = 1; i <= count; ++i) entries.push_back(script.ProfileText(ItemSection(L"exe", i), L""));
  return entries;
}

bool RefusesToRun(int onlyNT, unsigned long platformId) {
  return onlyNT > 0 && (platformId != 2 || onlyNT != 2);
}

ScriptSetup LoadScript(TSetupState& state) {
  state.PageStep = 0;
  state.LangFile = std::make_unique<ProfileFile>(
      state.InstallerFolder + state.LangName + kLanguageExtension, kLanguageSection);
  state.ScriptFile =
      std::make_unique<ProfileFile>(state.InstallerFolder + kScriptFileName, kSetupSection);
  ScriptSetup s = ReadScriptSetup(*state.ScriptFile);
  state.AppName = s.AppName;
  state.NoLogo = s.NoLogo;
  state.Stretch = s.Stretch;
  state.Site = s.Site;
  state.DestFolder = ExpandMacros(s.DestFolder, state);
  state.SourceFolder = ExpandMacros(s.SourceFolder, state);
  state.FreeSpace = s.FreeSpace;
  state.EditDest = s.EditDest;
  state.CreateUninst = s.CreateUninst;
  state.FailIfExists = !s.Overwrite;
  state.OthCount = s.OthCount;
  state.IniCount = s.IniCount;
  state.RegCount = s.RegCount;
  state.LnkCount = s.LnkCount;
  state.ExeCount = s.ExeCount;
  state.Reboot = s.Reboot;
  return s;
}

}  // namespace bramlow
