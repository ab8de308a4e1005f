#pragma once
#include <string>

namespace bramlow {

// Creates every folder along a path, parents first. Results are ignored: a drive name or an
// existing folder simply fails to be created again.
void MakeFolderChain(const std::wstring& path);

// Logs a folder creation: one that was already there is no failure.
void LogFolderMade(const std::wstring& path, bool created);

}  // namespace bramlow
