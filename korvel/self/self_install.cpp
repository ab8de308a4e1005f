#include "korvel/self/self_install.h"

#include <shellapi.h>

#include "korvel/shared/folder_utils.h"
#include "korvel/shared/message_text.h"
#include "korvel/shared/product_links.h"
#include "korvel/shared/program_paths.h"
#include "korvel/self/registry_key.h"

namespace korvel {

std::vector<RegistryString> UninstallEntryValues(const std::wstring& programFile) {
  return {
      {L"DisplayIcon", programFile},
      {L"DisplayName", L"Korvel 1.0"},
      // Quoted: the list of programs would otherwise start whatever "C:\Program" it finds first.
      {L"UninstallString", L"\"" + programFile + L"\" /2"},
      {L"DisplayVersion", L"1.0"},
      {L"Publisher", SiteAddress()},
      {L"URLInfoAbout", SiteAddress()},
  };
}

void RegisterProduct(const std::wstring& programFile, const std::wstring& systemFolder,
                     HKEY localMachine) {
  if (!CreateRegKey(localMachine, kUninstallKeyPath))
    throw EKvError(std::wstring(L"Failed to create key ") + kUninstallKeyPath);
  {
    const winbase::RegKey entry = OpenRegKey(localMachine, kUninstallKeyPath, KEY_READ | KEY_WRITE);
    if (!entry) return;
    for (const RegistryString& value : UninstallEntryValues(programFile)) {
      if (!WriteRegString(entry, value.name, value.value))
        throw EKvError(L"Failed to set data for '" + value.name + L"'");
    }
  }
  const std::wstring target = systemFolder + kLogonHostCopy;
  // Through a scratch copy: Winlogon must never be pointed at half a file. A copy that fails
  // over an existing logonkv.exe (write-protected, say) leaves that one, still a logon host.
  if (!ReplaceWithCopy(systemFolder + kSystemLogonHost, target)) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
      throw ELogonHostCopyFailed(target, error);
  }
  const winbase::RegKey winlogon = OpenRegKey(localMachine, kWinlogonKeyPath, KEY_READ | KEY_WRITE);
  if (!WriteRegString(winlogon, L"UIHost", kLogonHostCopy))
    throw EKvError(L"Failed to set data for 'UIHost'");
}

ELogonHostCopyFailed::ELogonHostCopyFailed(const std::wstring& target, unsigned long systemError)
    : EKvError(L"Cannot create " + target + L": " + SystemErrorWording(systemError)),
      systemError_(systemError) {}

void StartSelfRemoval(const std::wstring& programFile) {
  const std::wstring folder = FolderPart(programFile);
  ShellExecuteW(nullptr, L"open", programFile.c_str(), L"/3", folder.c_str(), SW_SHOWNORMAL);
}

}  // namespace korvel
