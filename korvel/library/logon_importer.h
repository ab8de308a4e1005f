// Import of a chosen file into the library: ".kvl" is copied, ".logonxp" converted.
#pragma once
#include <functional>
#include <string>

#include "korvel/library/logon_library.h"
#include "korvel/library/logonxp_converter.h"

namespace korvel {

enum class ImportOutcome {
  Ignored,   // nothing chosen, file missing, or neither ".kvl" nor ".logonxp"
  Declined,  // a package of that name exists and the user kept it
  Copied,
  Converted,
  WriteFailed,       // Copied or Converted, but it could not be written into the library
                     // (a read-only package of that name, no library folder...); the library
                     // is as it was before
  ConversionFailed,  // not a package that can be Converted; the library is as it was before
  SourceUnreadable,  // the chosen file is there but cannot be read (locked, no access); the
                     // library is as it was before
  TargetIsFolder,    // the library holds a folder of the package's name; nothing is asked or
                     // written
  SourceIsFolder,    // the chosen ".kvl" or ".logonxp" is a folder; LastPackage() names it
};

class LogonImporter {
 public:
  // Asked with the target path when a package of that name is already in the library;
  // true means replace it.
  using OverwriteQuestion = std::function<bool(const std::wstring& target)>;

  LogonImporter(const LogonLibrary& library, LogonXpConverter& converter,
                OverwriteQuestion askOverwrite);

  ImportOutcome Import(const std::wstring& chosenFile);
  // Detail of the last conversion that did not succeed, and the system's reason where it has one.
  ConvertOutcome LastConversion() const { return lastConversion_; }
  unsigned long LastSystemError() const { return converter_.SystemError(); }
  // The package name Import wrote, or would have written, last (the folder's, SourceIsFolder).
  const std::wstring& LastPackage() const { return lastPackage_; }

 private:
  const LogonLibrary& library_;
  LogonXpConverter& converter_;
  OverwriteQuestion askOverwrite_;
  ConvertOutcome lastConversion_ = ConvertOutcome::Converted;
  std::wstring lastPackage_;
};

}  // namespace korvel
