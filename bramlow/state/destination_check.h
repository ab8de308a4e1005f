// Whether a destination typed on the folder page (or given by /D=) can take an installation.
// The engine writes the uninstall list and the system's entries through ANSI profile
// functions, so a folder name the ANSI code page cannot hold would be listed as '?' and never
// be found again; a folder on a drive or share that is not there would fail file by file
// while the wizard still reported success; a drive's root or the Windows folder would mix the
// application's files, its uninstaller and its list with the system's, and a later removal
// would take away root files the installation only replaced.
#pragma once
#include <string>

#include "bramlow/text/destination_rules.h"

namespace bramlow {

// The rules of destination_rules.h, asking this system.
DestinationProblem CheckDestination(const std::wstring& folder);

}  // namespace bramlow
