#include "bramlow/actions/entries/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "bramlow/text/macro_text.h"
#include "winbase/handles.h"

namespace bramlow {

bool CreateShortcut(const ShortcutSpec& shortcut) {
  // Left initialised on purpose: the engine's single thread keeps using COM until it ends,
  // and initialising again is harmless.
  CoInitialize(nullptr);
  winbase::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.put_void())))
    return false;
  winbase::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;

  link->SetArguments(shortcut.arguments.c_str());
  link->SetPath(shortcut.target.c_str());
  link->SetWorkingDirectory(shortcut.workFolder.c_str());
  link->SetDescription(shortcut.description.c_str());
  link->SetIconLocation(shortcut.iconFile.c_str(), shortcut.iconIndex);

  const std::wstring folder = FolderPart(shortcut.linkFile);
  if (!folder.empty() && GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
    CreateDirectoryW(folder.c_str(), nullptr);
  file->Save(shortcut.linkFile.c_str(), FALSE);
  return true;
}

std::optional<ShortcutLeadsTo> ReadShortcut(const std::wstring& linkFile) {
  winbase::ComInit com;
  winbase::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.put_void())))
    return std::nullopt;
  winbase::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) ||
      FAILED(file->Load(linkFile.c_str(), STGM_READ)))
    return std::nullopt;
  wchar_t target[MAX_PATH] = {};
  if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) return std::nullopt;
  // Longer than the shell's own limit for arguments: read the same way each time.
  wchar_t arguments[4096] = {};
  if (FAILED(link->GetArguments(arguments, 4096))) arguments[0] = 0;
  return ShortcutLeadsTo{target, arguments};
}

}  // namespace bramlow
