#pragma once
#include <windows.h>

#include <string>

namespace bramlow {

// The predefined key a script names by its root text. Only the six names are recognised
// (letters a to z compared without case); any other text, the empty one included, means
// the current user's root.
HKEY RootFromName(const std::wstring& name);

}  // namespace bramlow
