#pragma once
#include <string>

#include "bramlow/actions/entries/action_context.h"

namespace bramlow {

// Writes one INI value. File and data pass through the folder macros; section and key are
// used as given. An empty data text writes an empty value (it never deletes the key).
// Failures (missing folder, read-only file) are silent.
void WriteIniEntry(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& data, const ActionContext& context);

}  // namespace bramlow
