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
  EmptyPackage,      // neither a bitmap nor "uifile.txt" at the package's root
  NothingCarried,    // bitmaps, but none the script can name, and no "uifile.txt"
  ToolNotStarted,
  ToolFailed,         // the tool ended with a non-zero exit code
  TargetUnchanged,    // the tool ended well but logonkv.exe was not rewritten
  TargetReadOnly,     // logonkv.exe is write-protected; the tool is not run
  SystemRootNotAnsi,  // the script, ANSI text, cannot name the system folder
};

// A bitmap of the package that was not put into the script, and why.
struct LeftOutBitmap {
  std::wstring file;
  ScriptNameFault fault = ScriptNameFault::None;
};

struct ApplyResult {
  ApplyOutcome outcome = ApplyOutcome::Applied;
  std::vector<LeftOutBitmap> leftOut;  // in name order; the others were applied all the same
  unsigned long systemError = 0;       // WorkFolderFailed: the system's error code
};

class LogonApplier {
 public:
  // workFolder has no trailing backslash; programFolder and systemRoot end with one.
  LogonApplier(IPackageReader& reader, IProgramRunner& runner, std::wstring workFolder,
               std::wstring programFolder, std::wstring systemRoot);

  std::wstring LogonHostPath() const { return systemRoot_ + L"system32\\logonui.exe"; }
  std::wstring TargetPath() const { return systemRoot_ + L"system32\\logonkv.exe"; }

  // The work folder is emptied before use and removed afterwards, whatever the outcome; the
  // tool runs only for a readable package with something to apply, and applies every bitmap
  // the script can name. The scratch file a stopped tool left beside logonkv.exe goes too,
  // whatever the outcome.
  ApplyResult Apply(const std::wstring& packagePath);

  // Copies logonui.exe over logonkv.exe; true when the copy succeeded. On failure
  // logonkv.exe is left exactly as it was. The tool's leftover scratch file goes either way.
  bool Restore() const;

 private:
  ApplyResult ApplyInWorkFolder(const std::wstring& packagePath);

  IPackageReader& reader_;
  IProgramRunner& runner_;
  std::wstring workFolder_;
  std::wstring programFolder_;
  std::wstring systemRoot_;
};

}  // namespace korvel
