#include "bramlow/actions/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "ui/handles.h"
#include "bramlow/macro_text.h"

namespace bramlow {

bool CreateShortcut(const ShortcutSpec& spec) {
  // Left initialised on purpose: the engine's single thread keeps using COM until it ends,
  // and initialising again is harmless.
  CoInitialize(nullptr);
  ui::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
    return false;
  ui::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;

  link->SetArguments(spec.arguments.c_str());
  link->SetPath(spec.target.c_str());
  link->SetWorkingDirectory(spec.workFolder.c_str());
  link->SetDescription(spec.description.c_str());
  link->SetIconLocation(spec.iconFile.c_str(), spec.iconIndex);

  const std::wstring folder = FolderPart(spec.linkFile);
  if (!folder.empty() && GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
    CreateDirectoryW(folder.c_str(), nullptr);
  file->Save(spec.linkFile.c_str(), FALSE);
  return true;
}

}  // namespace bramlow
