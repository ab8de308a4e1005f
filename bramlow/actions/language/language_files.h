// Finding the language files ("<name>.qxl") beside the engine and naming the languages.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace bramlow {

// The names of the language files in folder, in the order the file system lists them.
std::vector<std::wstring> ListLanguageNames(const std::wstring& folder);

// "English.qxl" gives "English", "en.us.qxl" gives "en.us".
std::wstring LanguageNameOf(std::wstring_view fileName);

// The folder of the running program, with its trailing backslash.
std::wstring ProgramFolder();

}  // namespace bramlow
