// Whether a destination can take an installation: the rules on its text, with the questions
// only the running system can answer (does the ANSI code page hold the name, is the drive or
// share there, where are its own folders) left to the caller. The folder page and /D= ask the
// system; the kit checker asks a sample system about the folder a script names before the kit
// ships.
#pragma once
#include <functional>
#include <string>
#include <vector>

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

// The longest resolved destination accepted: room for "\Uninstall.exe" below it within
// MAX_PATH, which the profile functions, the folder chain and the system's list of programs
// all keep to. A longer one would fail or be cut file by file.
inline constexpr size_t kLongestDestination = 260 - 1 - 14;

// What the rules ask of the system the installation runs on.
struct DestinationSystem {
  // The ANSI code page holds every character of the folder's name.
  std::function<bool(const std::wstring& folder)> fitsCodePage;
  // The root ("C:\" or "\\server\share\") is there.
  std::function<bool(const std::wstring& root)> rootExists;
  // The Windows folder and the system folder, as the system gives them.
  std::function<std::vector<std::wstring>()> systemFolders;
  // A full path with its short (8.3) names in their long form, where the system knows them;
  // the path itself otherwise. Unset: paths are taken as written.
  std::function<std::wstring(const std::wstring& path)> longForm;
};

// The first problem of folder, in the order the folder page reports them.
DestinationProblem CheckDestinationWith(const std::wstring& folder,
                                        const DestinationSystem& system);

// A path Windows would not write under the names given: a part of it below its root named as a
// device ("NUL", "COM1", "con.txt"), whose data would go to the device, or ending in a dot or
// space, which the system drops. "." and ".." are no such names.
bool NamesADeviceOrIsTrimmed(const std::wstring& path);

// Why a destination is refused, as a log line gives it ("not a full path"); for a forbidden
// character it names the first one, so a switch that swallowed the rest of a command line
// shows what it swallowed.
std::wstring DestinationProblemText(DestinationProblem problem, const std::wstring& folder);

}  // namespace bramlow
