// Opening, creating, reading and writing registry keys the way Korvel needs them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "winbase/handles.h"

namespace korvel {

// Creates the key or opens an existing one; an empty owner on failure.
winbase::RegKey CreateRegKey(HKEY root, const std::wstring& path,
                             REGSAM access = KEY_READ | KEY_WRITE);
// Opens an existing key; an empty owner when it is missing or not accessible.
winbase::RegKey OpenRegKey(HKEY root, const std::wstring& path, REGSAM access = KEY_READ);

// Writes a REG_SZ value; false on failure (also for an empty owner).
bool WriteRegString(const winbase::RegKey& key, const std::wstring& name,
                    const std::wstring& value);
// A REG_SZ or REG_EXPAND_SZ value of at most maxChars characters (unexpanded); nothing when
// it is missing, of another type or longer.
std::optional<std::wstring> ReadRegString(const winbase::RegKey& key, const std::wstring& name,
                                          size_t maxChars);

}  // namespace korvel
