// Import of a chosen file into the library: ".kvl" is copied, ".logonxp" converted.
#pragma once
#include <functional>
#include <string>

#include "logon_library.h"
#include "logonxp_converter.h"

namespace korvel {

enum class ImportOutcome {
  ignored,           // nothing chosen, file missing, or neither ".kvl" nor ".logonxp"
  declined,          // a package of that name exists and the user kept it
  copied,
  converted,
  writeFailed,       // copied or converted, but it could not be written into the library
                     // (a read-only package of that name, no library folder...); the library
                     // is as it was before
  conversionFailed,  // not a package that can be converted; the library is as it was before
  sourceUnreadable,  // the chosen file is there but cannot be read (locked, no access); the
                     // library is as it was before
};

class LogonImporter {
 public:
  // Asked with the target path when a package of that name is already in the library;
  // true means replace it.
  using OverwriteQuestion = std::function<bool(const std::wstring& target)>;

  LogonImporter(const LogonLibrary& library, LogonXpConverter& converter,
                OverwriteQuestion askOverwrite);

  ImportOutcome Import(const std::wstring& chosenFile);
  // Detail of the last conversion that did not succeed.
  ConvertOutcome LastConversion() const { return lastConversion_; }

 private:
  const LogonLibrary& library_;
  LogonXpConverter& converter_;
  OverwriteQuestion askOverwrite_;
  ConvertOutcome lastConversion_ = ConvertOutcome::converted;
};

}  // namespace korvel
