#pragma once
// Whether a destination typed on the folder page can take an installation. The engine writes
// the uninstall list and the system's entries through ANSI profile functions, so a folder
// name the ANSI code page cannot hold would be listed as '?' and never be found again; a
// folder on a drive or share that is not there would fail file by file while the wizard
// still reported success.
#include <string>

namespace bramlow {

enum class DestinationProblem {
  None,
  NotAFullPath,         // empty, relative, or without a drive or share
  ForbiddenCharacter,   // '"', '<', '>', '|', '*', '?', a control character, or a ':' past the drive's
  OutsideTheCodePage,   // a character the ANSI code page cannot hold
  NoSuchDriveOrShare,   // its drive or "\\server\share" root is not there
  DeviceOrTrimmedName,  // a folder named as a device (NUL, COM1, "con.txt") or ending in a dot or
                        // space: Windows writes elsewhere than the name says, or to the device
};

DestinationProblem CheckDestination(const std::wstring& folder);

// Why a destination is refused, as a log line gives it ("not a full path"); for a forbidden
// character it names the first one, so a switch that swallowed the rest of a command line
// shows what it swallowed.
std::wstring DestinationProblemText(DestinationProblem problem, const std::wstring& folder);

}  // namespace bramlow
