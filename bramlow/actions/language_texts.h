#pragma once
// Language files: "<name>.qxl" beside the engine, section "language", keys "1" to "38".
#include <string>
#include <string_view>
#include <vector>

#include "bramlow/setup_state.h"

namespace bramlow {

// The text of key from the chosen language file (LangFile of state), empty when the key or
// the file is missing.
std::wstring LangText(const TSetupState& state, int key);
std::wstring LangText(int key);

// The text of key formatted with one text argument ("%s", "%%"); keys 5 and 17 also get
// their backslash-n line breaks. A pattern that does not fit one text argument stops the
// program with the runtime's error.
std::wstring LangTextFormatted(const TSetupState& state, int key, std::wstring_view arg);
std::wstring LangTextFormatted(int key, std::wstring_view arg);

// The names of the language files in folder, in the order the file system lists them.
std::vector<std::wstring> ListLanguageNames(const std::wstring& folder);

// "English.qxl" gives "English", "en.us.qxl" gives "en.us".
std::wstring LanguageNameOf(std::wstring_view fileName);

// The folder of the running program, with its trailing backslash.
std::wstring ProgramFolder();

}  // namespace bramlow
