#include "bramlow/actions/entries/folder_chain.h"

#include <windows.h>

#include "bramlow/actions/entries/step_log.h"

namespace bramlow {

void MakeFolderChain(const std::wstring& path) {
  for (std::wstring::size_type i = 0; i < path.size(); ++i) {
    if (path[i] != L'\\') continue;
    // The drive and the folders already there fail here; only the ones made are worth a line.
    const std::wstring parent = path.substr(0, i);
    if (CreateDirectoryW(parent.c_str(), nullptr)) LogFolderMade(parent, true);
  }
  if (!path.empty()) LogFolderMade(path, CreateDirectoryW(path.c_str(), nullptr));
}

void LogFolderMade(const std::wstring& path, bool created) {
  // Read before anything else can change it.
  const DWORD error = created ? 0 : GetLastError();
  if (!Steps().IsOpen()) return;
  if (error == ERROR_ALREADY_EXISTS) {
    Steps().Line(L"make folder " + path + L": already there");
    return;
  }
  Steps().Result(L"make folder " + path, created, error);
}

}  // namespace bramlow
