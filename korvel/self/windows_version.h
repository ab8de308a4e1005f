// Korvel changes the logon host of Windows XP only, so it checks the version it runs on.
#pragma once

#include <optional>
#include <string>

namespace korvel {

struct OsVersion {
  unsigned long major = 0;
  unsigned long minor = 0;
  unsigned long build = 0;
  std::wstring servicePack;
};

// The running system's version record; nothing when the query fails.
std::optional<OsVersion> QueryOsVersion();

// "major.minor.build.service pack" for Windows XP (5.1); nothing for any other version
// or a failed query.
std::optional<std::wstring> XpVersionText(const std::optional<OsVersion>& version);

// Set only by a passing CheckWindowsVersion; shown inside the parentheses of the setup's
// messages, so it stays empty when the check refused the system.
extern std::wstring WindowsVersionText;

// True on Windows XP; sets WindowsVersionText then.
bool CheckWindowsVersion();

}  // namespace korvel
