// The texts of the chosen language file: section "language", keys "1" to "38".
#pragma once
#include <string>
#include <string_view>

#include "bramlow/state/setup_state.h"

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

}  // namespace bramlow
