// The checks of a setup kit before it ships: the script and the language files read as the
// engine reads them, each finding with its file and line, in the form compilers use
// ("setup.qx1:12: error: ..."), so that an editor jumps to the line.
#pragma once
#include <string>
#include <vector>

#include "bramlow/kit/kit_folder.h"

namespace bramlow {

enum class Severity {
  Error,    // the kit would install wrongly or stop
  Warning,  // legal, but probably not what the author meant
};

struct Finding {
  std::string file;  // relative to the kit ("setup.qx1", "English.qxl")
  int line = 0;      // from 1; 0 when the finding is about the file as a whole
  Severity severity = Severity::Error;
  std::string text;
};

struct KitReport {
  // False when the kit could not be read at all (no folder, no script): then there are no
  // findings, and problem says why.
  bool readable = true;
  std::string problem;
  std::vector<Finding> findings;

  int Count(Severity severity) const;
};

// The file names the engine looks for in its folder.
inline constexpr char kKitScript[] = "setup.qx1";
inline constexpr char kKitEngine[] = "bramlow.exe";
inline constexpr char kKitUninstaller[] = "setup.dat";
inline constexpr char kKitLicence[] = "setup.rtf";
inline constexpr char kKitPicture[] = "setup.bmp";
// The section only the kit tools read: the version the one-file setup carries.
inline constexpr char kKitSection[] = "kit";

// codePage: of the kit's names, as for AnsiToUtf16.
KitReport CheckKit(const KitFolder& kit, unsigned codePage = 0);

// "KIT/setup.qx1:12: error: text" (no line number when the finding has none), with the
// system's separator, control bytes shown as \xNN.
std::string FindingLine(const std::string& kitPath, const Finding& finding);
// "2 errors, 1 warning"
std::string ReportSummary(const KitReport& report);

// The kit's own settings for a one-file setup, as the builder takes them from the script:
// the application's name and the version of its [kit] section (empty when not given).
struct KitIdentity {
  std::string appName;
  std::string version;
};
KitIdentity ReadKitIdentity(const KitFolder& kit);

// "1.2" gives {1, 2, 0, 0}; nothing unless it is one to four numbers of 0 to 65535 joined by
// dots.
bool ParseKitVersion(const std::string& text, unsigned short (&parts)[4]);

}  // namespace bramlow
