#pragma once
// The record of what an installation (or a removal) did: one line per step with its result,
// written to the UTF-8 log that /LOG= names, and the failures that decide the exit code,
// counted whether or not a log is written. Every line reaches the file at once, so a run
// that ends early (a runtime error) still leaves the log of what it did.
#include <windows.h>

#include <string>
#include <string_view>

#include "winbase/handles.h"

namespace bramlow {

class StepLog {
 public:
  // Creates (or empties) the log file. False when it cannot be written; error is the
  // system's code.
  bool Open(const std::wstring& path, DWORD& error);
  bool IsOpen() const { return static_cast<bool>(file_); }
  // Ends the record: closes the file and forgets the failures counted so far.
  void Close();

  // A line as it is; line breaks inside become " / " so every step stays one line.
  void Line(std::wstring_view text);
  // "<step>: ok", or "<step>: failed (<the system's reason>)" when error is not 0, else
  // "<step>: failed".
  void Result(std::wstring_view step, bool ok, DWORD error = 0);
  // A file copy: logged as a step, and a failed one fails the installation. why: the reason of
  // a copy refused before the system was asked (error 0).
  void Copy(const std::wstring& from, const std::wstring& to, bool ok, DWORD error,
            std::wstring_view why = {});

  int FailedCopies() const { return failedCopies_; }
  // A line could not be written (disk full, medium gone): the log is incomplete.
  bool WriteFailed() const { return writeFailed_; }

 private:
  winbase::FileHandle file_;
  int failedCopies_ = 0;
  bool writeFailed_ = false;
};

// The program's one record (nothing is written until it is opened).
StepLog& Steps();

// The system's text for an error code as it goes into a log line: "Access is denied (5)". subject:
// the file a text with an insert names ("C:\\x.exe is not a valid Win32 application (193)").
std::wstring ReasonText(DWORD error, std::wstring_view subject = {});

}  // namespace bramlow
