// Turns a foreign ".logonxp" package into a ".kvl" package of the library.
#pragma once
#include <string>

#include "korvel/library/package_archive.h"

namespace korvel {

enum class ConvertOutcome {
  Converted,
  Unreadable,    // missing, not an archive, or damaged
  NotLogonXp,    // no "theme.ini" at the archive's root
  NoBitmaps,     // no "*.bmp" at the archive's root
  FolderFailed,  // the work or staging folder could not be prepared: SystemError() says why
  UnsafeName,    // a bitmap's new name is one Windows would not write as a file (NUL.bmp...)
  CopyFailed,    // a bitmap or "uifile.txt" could not be copied into the staging folder:
                 // SystemError() says why
  WriteFailed,   // the new package could not be written or moved into place
};

// The name with its first "Bitmap_" (any case, anywhere) removed: Bitmap_100.bmp -> 100.bmp.
std::wstring RemoveBitmapPrefix(const std::wstring& name);

class LogonXpConverter {
 public:
  // workFolder has no trailing backslash; the staging folder is its sibling workFolder + "2".
  LogonXpConverter(IPackageReader& reader, IPackageWriter& writer, std::wstring workFolder);

  std::wstring StagingFolder() const { return workFolder_ + L"2"; }

  // Writes target only when everything succeeded: the package is packed under a temporary name
  // beside target and then moved over it, so an existing target survives any failure. Both
  // folders are emptied before use and removed afterwards, whatever the outcome.
  ConvertOutcome Convert(const std::wstring& source, const std::wstring& target);
  // The system's error code of the last FolderFailed or CopyFailed.
  unsigned long SystemError() const { return systemError_; }

 private:
  ConvertOutcome ConvertInFolders(const std::wstring& source, const std::wstring& target);

  IPackageReader& reader_;
  IPackageWriter& writer_;
  std::wstring workFolder_;
  unsigned long systemError_ = 0;
};

}  // namespace korvel
