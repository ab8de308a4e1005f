#include "bramlow/actions/entries/restart_computer.h"

#include <windows.h>

#include "winbase/handles.h"

namespace bramlow {

namespace {
bool IsNtFamily() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExW(&info)) return true;
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
}  // namespace

bool EnableShutdownPrivilege() {
  winbase::KernelHandle token;
  {
    winbase::KernelHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, GetCurrentProcessId()));
    if (!process) return false;
    if (!OpenProcessToken(process.get(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return false;
  }
  TOKEN_PRIVILEGES wanted{};
  if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &wanted.Privileges[0].Luid)) return false;
  wanted.PrivilegeCount = 1;
  wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  TOKEN_PRIVILEGES previous{};
  DWORD previousSize = sizeof(previous);
  return AdjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof(previous), &previous, &previousSize) != FALSE;
}

void SystemRestart::RestartComputer() {
  if (IsNtFamily() && !EnableShutdownPrivilege()) return;
  ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}

}  // namespace bramlow
