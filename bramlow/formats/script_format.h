#pragma once
// The setup script (setup.qx1): its sections, keys, value types and defaults. Every reader
// sets the script's current section itself. Texts come back as written; the caller expands
// the ones that name files and folders when it uses them. The keys are those of
// text/script_keys.h, by which the kit checker knows a script: a key added here goes there too.
#include <string>
#include <vector>

#include "bramlow/actions/profile/profile_file.h"
#include "bramlow/state/setup_state.h"
#include "bramlow/text/script_keys.h"

namespace bramlow {

inline constexpr wchar_t kSetupSection[] = L"setup1";
inline constexpr wchar_t kLogoSection[] = L"logo";
inline constexpr wchar_t kUnExeSection[] = L"un_exe";
inline constexpr wchar_t kLanguageSection[] = L"language";
inline constexpr wchar_t kScriptFileName[] = L"setup.qx1";
inline constexpr wchar_t kLanguageExtension[] = L".qxl";

// Section `setup1` with `logo`.
struct ScriptSetup {
  std::wstring AppName;
  std::wstring WindowName;
  std::wstring LinkName;
  std::wstring Site;
  int OnlyNT = 0;
  std::wstring DestFolder;    // unexpanded
  std::wstring SourceFolder;  // unexpanded
  std::wstring FreeSpace;
  bool EditDest = true;
  bool CreateUninst = false;
  bool Overwrite = false;
  int OthCount = 0;
  int IniCount = 0;
  int RegCount = 0;
  int LnkCount = 0;
  int ExeCount = 0;
  bool Reboot = false;
  bool RegUninst = false;
  bool NoLogo = false;
  bool Stretch = false;

  bool operator==(const ScriptSetup&) const = default;
};

struct OthItem {  // one file to copy
  std::wstring Dest;
  std::wstring Source;
  bool Ocx = false;

  bool operator==(const OthItem&) const = default;
};

struct IniItem {  // one INI entry to write
  std::wstring File;
  std::wstring Section;
  std::wstring Value;  // the key name
  std::wstring Data;

  bool operator==(const IniItem&) const = default;
};

struct RegItem {  // one registry value to write
  std::wstring Root;
  std::wstring Key;
  std::wstring Value;
  int Type = 0;
  std::wstring Data;

  bool operator==(const RegItem&) const = default;
};

struct LnkItem {  // one shortcut to create
  std::wstring LinkName;
  std::wstring FileName;
  std::wstring WorkFolder;
  std::wstring Arg;
  std::wstring Icon;
  int Index = 0;

  bool operator==(const LnkItem&) const = default;
};

struct ExeItem {  // one program or document to run
  std::wstring File;
  bool Shell = false;
  bool Wait = false;
  std::wstring RunType;

  bool operator==(const ExeItem&) const = default;
};

// "Oth" + 3 gives "Oth3".
std::wstring ItemSection(const wchar_t* prefix, int number);

// Reads setup1 and logo; leaves the script on setup1.
ScriptSetup ReadScriptSetup(ProfileFile& script);
OthItem ReadOthItem(ProfileFile& script, int number);
IniItem ReadIniItem(ProfileFile& script, int number);
RegItem ReadRegItem(ProfileFile& script, int number);
LnkItem ReadLnkItem(ProfileFile& script, int number);
ExeItem ReadExeItem(ProfileFile& script, int number);
// The uninstaller's programs of un_exe (exe1 ... exe<Count>), unexpanded.
std::vector<std::wstring> ReadUnExeEntries(ProfileFile& script);

// Whether OnlyNT forbids running on a system of the given platform identifier (2 is the NT
// family): 0 or less never, 2 outside NT, any other positive value always.
bool RefusesToRun(int onlyNT, unsigned long platformId);

// Opens the language and script readers on InstallerFolder and LangName and moves the
// script's values into state (DestFolder and SourceFolder expanded, FailIfExists the negated
// Overwrite). Returns what was read, for the texts and checks of the window.
ScriptSetup LoadScript(TSetupState& state);

}  // namespace bramlow
