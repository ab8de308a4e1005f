// Applying a package (rebuilding logonkv.exe through the resource editor) and restoring the
// system's logon host.
#pragma once
#include <string>

#include "package_archive.h"
#include "program_runner.h"

namespace korvel {

enum class ApplyOutcome {
  Applied,
  WorkFolderFailed,   // the work folder or the script could not be written
  Unreadable,         // package missing, not an archive, or damaged
  EmptyPackage,       // neither a bitmap nor "uifile.txt" at the package's root
  ToolNotStarted,
  ToolFailed,         // the tool ended with a non-zero exit code
  TargetUnchanged,    // the tool ended well but logonkv.exe was not rewritten
  TargetReadOnly,     // logonkv.exe is write-protected; the tool is not run
  SystemRootNotAnsi,  // the script, ANSI text, cannot name the system folder
};

class LogonApplier {
 public:
  // workFolder has no trailing backslash; programFolder and systemRoot end with one.
  LogonApplier(IPackageReader& reader, IProgramRunner& runner, std::wstring workFolder,
               std::wstring programFolder, std::wstring systemRoot);

  std::wstring LogonHostPath() const { return systemRoot_ + L"system32\\logonui.exe"; }
  std::wstring TargetPath() const { return systemRoot_ + L"system32\\logonkv.exe"; }

  // The work folder is emptied before use and removed afterwards, whatever the outcome; the
  // tool runs only for a readable package with something to apply. The scratch file a stopped
  // tool left beside logonkv.exe goes too, whatever the outcome.
  ApplyOutcome Apply(const std::wstring& packagePath);

  // Copies logonui.exe over logonkv.exe; true when the copy succeeded. On failure
  // logonkv.exe is left exactly as it was. The tool's leftover scratch file goes either way.
  bool Restore() const;

 private:
  ApplyOutcome ApplyInWorkFolder(const std::wstring& packagePath);

  IPackageReader& reader_;
  IProgramRunner& runner_;
  std::wstring workFolder_;
  std::wstring programFolder_;
  std::wstring systemRoot_;
};

}  // namespace korvel
