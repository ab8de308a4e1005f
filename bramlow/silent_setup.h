#pragma once
// The installation without a window (/S): the language from /LANG= or the one the dialog
// would preselect, the destination from /D= or the script, the licence taken as accepted,
// then the same installation the wizard runs. Messages go through ui::Prompt() (the caller
// installs one that answers by itself and logs); the computer is never restarted.
#include <string>

#include "bramlow/command_line.h"
#include "bramlow/setup_exit.h"
#include "bramlow/state/setup_state.h"

namespace bramlow {

// installerFolder: the folder of the kit, with its trailing backslash. platformId as
// SystemPlatformId gives it (2 for the NT family).
SetupExit RunSilentSetup(TSetupState& state, const SetupSwitches& switches, const std::wstring& installerFolder,
                         unsigned long platformId);

}  // namespace bramlow
