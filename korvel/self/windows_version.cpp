#include "korvel/self/windows_version.h"

#include <windows.h>

namespace korvel {

std::wstring WindowsVersionText;

std::optional<OsVersion> QueryOsVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  if (!GetVersionExW(&info)) return std::nullopt;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  OsVersion version;
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  version.build = info.dwBuildNumber;
  version.servicePack.assign(
      info.szCSDVersion, wcsnlen(info.szCSDVersion, sizeof info.szCSDVersion / sizeof(wchar_t)));
  return version;
}

std::optional<std::wstring> XpVersionText(const std::optional<OsVersion>& version) {
  if (!version) return std::nullopt;
  if (std::to_wstring(version->major) != L"5") return std::nullopt;
  if (std::to_wstring(version->minor) != L"1") return std::nullopt;
  return std::to_wstring(version->major) + L"." + std::to_wstring(version->minor) + L"." +
         std::to_wstring(version->build) + L"." + version->servicePack;
}

bool CheckWindowsVersion() {
  std::optional<std::wstring> text = XpVersionText(QueryOsVersion());
  if (!text) return false;
  WindowsVersionText = *text;
  return true;
}

}  // namespace korvel
