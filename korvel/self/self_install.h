// Korvel's registration with Windows ("/1"): its entry in the list of installed programs,
// Winlogon's logon host and the copy of the system's logon host the library is applied to.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "korvel/shared/kv_error.h"

namespace korvel {

inline constexpr wchar_t kUninstallKeyPath[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvel";
inline constexpr wchar_t kWinlogonKeyPath[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
inline constexpr wchar_t kLogonHostCopy[] = L"logonkv.exe";
inline constexpr wchar_t kSystemLogonHost[] = L"logonui.exe";

struct RegistryString {
  std::wstring name;
  std::wstring value;
};

// The values of the uninstall entry, in the order they are written.
std::vector<RegistryString> UninstallEntryValues(const std::wstring& programFile);

// Raised when logonkv.exe is missing after the copy: Winlogon must not be pointed at it.
class ELogonHostCopyFailed : public EKvError {
 public:
  ELogonHostCopyFailed(const std::wstring& target, unsigned long systemError);
  unsigned long SystemError() const noexcept { return systemError_; }

 private:
  unsigned long systemError_;
};

// Writes the uninstall entry under localMachine (HKEY_LOCAL_MACHINE in the program, a scratch
// key in tests), copies logonui.exe to logonkv.exe in systemFolder (with its trailing
// backslash) and then writes UIHost, only when logonkv.exe exists: a logon host that is not
// there would leave the next logon without a user interface. A key that cannot be created or
// a value that cannot be written raises EKvError with the system's usual wording, a missing
// logonkv.exe ELogonHostCopyFailed; later steps do not run then.
void RegisterProduct(const std::wstring& programFile, const std::wstring& systemFolder,
                     HKEY localMachine = HKEY_LOCAL_MACHINE);

// Starts the program file again with "/3" (removal without question) from its own folder.
void StartSelfRemoval(const std::wstring& programFile);

}  // namespace korvel
