#pragma once
// Whether a destination typed on the folder page (or given by /D=) can take an installation.
// The engine writes the uninstall list and the system's entries through ANSI profile
// functions, so a folder name the ANSI code page cannot hold would be listed as '?' and never
// be found again; a folder on a drive or share that is not there would fail file by file
// while the wizard still reported success; a drive's root or the Windows folder would mix the
// application's files, its uninstaller and its list with the system's, and a later removal
// would take away root files the installation only replaced. A plain function of the folder
// text and the system's folders: anything that writes or checks a kit can ask it.
#include <string>

namespace bramlow {

enum class DestinationProblem {
  None,
  NotAFullPath,         // empty, relative, or without a drive or share
  ForbiddenCharacter,   // '"', '<', '>', '|', '*', '?', a control character, or a ':' past the
                        // drive's
  OutsideTheCodePage,   // a character the ANSI code page cannot hold
  NoSuchDriveOrShare,   // its drive or "\\server\share" root is not there
  DeviceOrTrimmedName,  // a folder named as a device (NUL, COM1, "con.txt") or ending in a dot or
                        // space: Windows writes elsewhere than the name says, or to the device
  RootOrWindowsFolder,  // a drive's or share's root, the Windows folder or the system folder
                        // itself, however spelt ("C:\", "C:\Apps\..", "c:\windows\")
  TooLong,              // resolved, too long to hold the installation's own files
                        // (Uninstall.exe, Uninstall.ini) within the system's path limit
};

// The longest resolved destination CheckDestination accepts: room for "\Uninstall.exe" below
// it within MAX_PATH, which the profile functions, the folder chain and the system's list of
// programs all keep to. A longer one would fail or be cut file by file.
inline constexpr size_t kLongestDestination = 260 - 1 - 14;

DestinationProblem CheckDestination(const std::wstring& folder);

// A path Windows would not write under the names given: a part of it below its root named as a
// device ("NUL", "COM1", "con.txt"), whose data would go to the device, or ending in a dot or
// space, which the system drops. "." and ".." are no such names.
bool NamesADeviceOrIsTrimmed(const std::wstring& path);

// Why a destination is refused, as a log line gives it ("not a full path"); for a forbidden
// character it names the first one, so a switch that swallowed the rest of a command line
// shows what it swallowed.
std::wstring DestinationProblemText(DestinationProblem problem, const std::wstring& folder);

}  // namespace bramlow
