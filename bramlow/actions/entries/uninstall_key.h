#pragma once
#include <string>

#include "bramlow/state/setup_state.h"

namespace bramlow {

// The key name of the application in the system's list of installed programs: AppName with
// every full stop, space and backslash replaced by an underscore.
std::wstring UninstallKeyName(const std::wstring& appName);

// Registers the application in the system's list of installed programs (local machine).
// UninstallString quotes the uninstaller's path so a path with spaces cannot start another
// program. Without an application name nothing is written: the values would otherwise land
// in the list's own key. Failures are silent.
void WriteUninstallKey(const TSetupState& state);

}  // namespace bramlow
