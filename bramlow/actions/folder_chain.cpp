#include "bramlow/actions/folder_chain.h"

#include <windows.h>

namespace bramlow {

void MakeFolderChain(const std::wstring& path) {
  for (std::wstring::size_type i = 0; i < path.size(); ++i) {
    if (path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
  CreateDirectoryW(path.c_str(), nullptr);
}

}  // namespace bramlow
