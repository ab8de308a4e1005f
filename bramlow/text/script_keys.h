// The sections and keys of the setup script and the language files as the engine reads them,
// with the limits of its reading: the kit checker knows a kit by this table, and the engine's
// readers (formats/script_format.cpp) read exactly these keys.
#pragma once
#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace bramlow {

// Longest value a profile read returns (a 2048-character buffer); the rest is cut off.
inline constexpr size_t kMaxProfileValueLength = 2047;

// Counts above this are read as this: a mistyped count must not keep the engine busy for
// hours processing sections that do not exist.
inline constexpr int kMaxItemCount = 9999;

enum class ScriptValue {
  Text,      // used as written
  Expanded,  // passes through the folder macros before use
  Number,    // read as the system reads profile integers
  Switch,    // a number; anything but 0 is on
};

struct ScriptKey {
  std::string_view name;
  ScriptValue kind;
};

struct ScriptSection {
  std::string_view name;  // the prefix of a numbered section ("Oth" for [Oth1], [Oth2]...)
  bool numbered;
  std::string_view countKey;  // the [setup1] key that says how many; empty if none
  std::span<const ScriptKey> keys;
};

inline constexpr ScriptKey kSetupKeys[] = {
    {"AppName", ScriptValue::Text},          {"WindowName", ScriptValue::Text},
    {"LinkName", ScriptValue::Text},         {"Site", ScriptValue::Text},
    {"OnlyNT", ScriptValue::Number},         {"DestFolder", ScriptValue::Expanded},
    {"SourceFolder", ScriptValue::Expanded}, {"FreeSpace", ScriptValue::Text},
    {"EditDest", ScriptValue::Switch},       {"CreateUninst", ScriptValue::Switch},
    {"Overwrite", ScriptValue::Switch},      {"OthCount", ScriptValue::Number},
    {"IniCount", ScriptValue::Number},       {"RegCount", ScriptValue::Number},
    {"LnkCount", ScriptValue::Number},       {"ExeCount", ScriptValue::Number},
    {"Reboot", ScriptValue::Switch},         {"RegUninst", ScriptValue::Switch},
};
inline constexpr ScriptKey kLogoKeys[] = {{"NoLogo", ScriptValue::Switch},
                                          {"Stretch", ScriptValue::Switch}};
inline constexpr ScriptKey kOthKeys[] = {{"Dest", ScriptValue::Expanded},
                                         {"Source", ScriptValue::Expanded},
                                         {"Ocx", ScriptValue::Switch}};
inline constexpr ScriptKey kIniKeys[] = {{"File", ScriptValue::Expanded},
                                         {"Section", ScriptValue::Text},
                                         {"Value", ScriptValue::Text},
                                         {"Data", ScriptValue::Expanded}};
// Data is expanded for Type 0 only: the checker decides by the type.
inline constexpr ScriptKey kRegKeys[] = {{"Root", ScriptValue::Text},
                                         {"Key", ScriptValue::Text},
                                         {"Value", ScriptValue::Text},
                                         {"Type", ScriptValue::Number},
                                         {"Data", ScriptValue::Text}};
inline constexpr ScriptKey kLnkKeys[] = {
    {"LinkName", ScriptValue::Expanded},   {"FileName", ScriptValue::Expanded},
    {"WorkFolder", ScriptValue::Expanded}, {"Arg", ScriptValue::Expanded},
    {"Icon", ScriptValue::Expanded},       {"Index", ScriptValue::Number}};
inline constexpr ScriptKey kExeKeys[] = {{"File", ScriptValue::Expanded},
                                         {"Shell", ScriptValue::Switch},
                                         {"Wait", ScriptValue::Switch},
                                         {"RunType", ScriptValue::Text}};
// [un_exe] holds Count and the numbered keys exe1, exe2...
inline constexpr ScriptKey kUnExeKeys[] = {{"Count", ScriptValue::Number}};
inline constexpr std::string_view kUnExeEntryPrefix = "exe";

inline constexpr std::array<ScriptSection, 8> kScriptSections = {{
    {"setup1", false, "", kSetupKeys},
    {"logo", false, "", kLogoKeys},
    {"Oth", true, "OthCount", kOthKeys},
    {"Ini", true, "IniCount", kIniKeys},
    {"Reg", true, "RegCount", kRegKeys},
    {"Lnk", true, "LnkCount", kLnkKeys},
    {"Exe", true, "ExeCount", kExeKeys},
    {"un_exe", false, "", kUnExeKeys},
}};

// The language files: section "language", keys "1" to kLanguageTextCount, each read when it is
// needed; the texts after them have an English stand-in in the engine when a kit lacks them.
inline constexpr std::string_view kLanguageSectionName = "language";
inline constexpr int kLanguageTextCount = 38;
inline constexpr int kLastLanguageText = 44;
// The texts formatted with one text argument ("%s", "%%"): any other "%" in them stops the
// setup with the runtime's error.
inline constexpr std::array<int, 13> kFormattedTexts = {4,  5,  8,  10, 12, 14, 17,
                                                        20, 21, 26, 27, 37, 38};

}  // namespace bramlow
