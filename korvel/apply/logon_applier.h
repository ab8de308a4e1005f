// Applying a package (rebuilding logonkv.exe through the resource editor) and restoring the
// system's logon host.
#pragma once
#include <string>
#include <vector>

#include "korvel/apply/apply_script.h"
#include "korvel/library/package_archive.h"
#include "korvel/apply/program_runner.h"

namespace korvel {

enum class ApplyOutcome {
  Applied,           // of what could be applied: see ApplyResult::leftOut
  WorkFolderFailed,  // the work folder or the script could not be written
  Unreadable,        // package missing, not an archive, or damaged
  PackageIsFolder,   // a folder named like a package
  PackageInUse,      // the package cannot be opened (another program holds it, no access)
  EmptyPackage,      // neither a bitmap nor "uifile.txt" at the package's root
  NothingCarried,    // bitmaps, but none that can be applied, and no "uifile.txt"
  ToolNotStarted,
  ToolFailed,         // the tool ended with a non-zero exit code
  TargetUnchanged,    // the tool ended well but logonkv.exe was not rewritten
  TargetReadOnly,     // logonkv.exe is write-protected; the tool is not run
  SystemRootNotAnsi,  // the script, ANSI text, cannot name the system folder
};

// Why a bitmap of the package was not applied.
enum class LeftOutReason {
  // The script cannot name it (see ScriptNameFault); a quote or a control character, a blank at
  // the end or a name too long keep Windows from writing it as well.
  NotInCodePage,
  BlankAtEnd,
  Separator,
  NoName,
  BadNumber,
  TooLong,
  // Windows would write another file, or none (see FileNameFault).
  DotAtEnd,
  Device,
  ForbiddenCharacter,
  // The archive engine refused its name; LeftOutBitmap::detail holds the engine's reason.
  Refused,
  // It names the resource (or the file) of a picture before it; detail names that picture.
  SameResource,
  // The editor cannot read it as a picture.
  NotABitmap,
};

// A bitmap of the package that was not put into the script, and why.
struct LeftOutBitmap {
  std::wstring file;
  LeftOutReason reason = LeftOutReason::Separator;
  std::wstring detail;
  bool operator==(const LeftOutBitmap&) const = default;
};

struct ApplyResult {
  ApplyOutcome outcome = ApplyOutcome::Applied;
  std::vector<LeftOutBitmap> leftOut;  // in the package's order; the others were applied
  std::size_t appliedBitmaps = 0;      // how many bitmaps the script named
  unsigned long systemError = 0;       // WorkFolderFailed, PackageInUse: the system's error code
};

class LogonApplier {
 public:
  // workFolder has no trailing backslash; programFolder and systemRoot end with one.
  LogonApplier(IPackageReader& reader, IProgramRunner& runner, std::wstring workFolder,
               std::wstring programFolder, std::wstring systemRoot);

  std::wstring LogonHostPath() const { return systemRoot_ + L"system32\\logonui.exe"; }
  std::wstring TargetPath() const { return systemRoot_ + L"system32\\logonkv.exe"; }

  // The work folder is emptied before use and removed afterwards, whatever the outcome; the
  // tool runs only for a readable package with something to apply. Every root file whose name
  // Windows writes as that file is extracted, the first of each name; every bitmap among them
  // that the script can name, that the editor can read and whose resource no earlier bitmap
  // has is applied, and every other bitmap is named in leftOut. The scratch file a stopped
  // tool left beside logonkv.exe goes too, whatever the outcome.
  ApplyResult Apply(const std::wstring& packagePath);

  // Copies logonui.exe over logonkv.exe; true when the copy succeeded. On failure
  // logonkv.exe is left exactly as it was and systemError, when given, gets the system's
  // reason. The tool's leftover scratch file goes either way.
  bool Restore(unsigned long* systemError = nullptr) const;

 private:
  ApplyResult ApplyInWorkFolder(const std::wstring& packagePath);

  IPackageReader& reader_;
  IProgramRunner& runner_;
  std::wstring workFolder_;
  std::wstring programFolder_;
  std::wstring systemRoot_;
};

}  // namespace korvel
