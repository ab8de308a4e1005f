// The folder a one-file setup unpacks into: new, with a name nobody can foresee, open to the
// user, the administrators and the system only, so that nothing can be slipped into it between
// unpacking and running; removed afterwards, and scheduled for removal when that fails or the
// computer is restarting.
#pragma once
#include <windows.h>

#include <string>

namespace bramlow {

// Makes "<parent>\bramlow-setup-<16 random hex digits>" (parent with or without a trailing
// backslash). Never takes a folder that is there already. Empty on failure, error set.
std::wstring MakeOwnFolder(const std::wstring& parent, DWORD& error);

// Removes the folder and everything in it, read-only files too. True when it is gone.
bool RemoveFolderTree(const std::wstring& folder);

// At the user's next logon the folder is removed by the system's command processor: set
// before the setup runs, so that a restart, a crash or an ended process still leaves nothing
// behind; taken back when the folder is gone.
bool ScheduleRemovalAtLogon(const std::wstring& folder);
void CancelRemovalAtLogon(const std::wstring& folder);

// What is left of the folder is removed when the computer next starts (where the process may
// schedule it: an administrator's).
void RemoveAtRestart(const std::wstring& folder);

}  // namespace bramlow
