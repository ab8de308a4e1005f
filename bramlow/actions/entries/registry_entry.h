#pragma once
#include <string>

#include "bramlow/actions/entries/action_context.h"

namespace bramlow {

// Writes one registry value: type 0 the macro-expanded data as a string, 1 the data as a
// 32-bit number, 2 the data's characters (ANSI bytes) as binary; any other type only creates
// the key. Failures are silent. Data of type 1 that is not an integer stops the program with
// "'<data>' is not a valid integer value" (the key exists by then).
// True when it made a value that was not there before: only such a value is the
// installation's to take away again; one it overwrote (or never wrote) belongs to someone else.
// An installation that keeps an uninstall list writes no value the list could not name as it is
// (a root, key or value name the ANSI code page cannot hold, a key with an empty part): the
// uninstaller would remove a look-alike, or refuse the entry; the step is logged as failed.
bool WriteRegistryEntry(const std::wstring& rootName, const std::wstring& keyPath,
                        const std::wstring& valueName, int type, const std::wstring& data,
                        const ActionContext& context);

}  // namespace bramlow
