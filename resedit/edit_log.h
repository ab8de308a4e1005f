// The short record of a run that reshacker.exe keeps in reshacker.log beside itself.
#pragma once

#include <string>
#include <vector>

namespace resedit {

class EditLog {
 public:
  void Info(std::wstring line) { lines_.push_back(std::move(line)); }
  void Error(std::wstring line) { lines_.push_back(L"error: " + std::move(line)); }
  const std::vector<std::wstring>& lines() const { return lines_; }

  // Appends the run, stamped with the local time, in the ANSI code page. A log that has grown
  // past a few hundred kilobytes is started afresh. Failing to write is not a failure of the run.
  void AppendTo(const std::wstring& path) const;

 private:
  std::vector<std::wstring> lines_;
};

// "system error 5": how a failure code is named in the log.
std::wstring ErrorCodeText(unsigned long code);

// reshacker.log in the folder of the running program.
std::wstring LogPathBesideProgram();

}  // namespace resedit
