// Uninstall.exe: removes what an installation listed in "Uninstall.ini" beside it.
#include <windows.h>

#include "bramlow/actions/entries/step_log.h"
#include "bramlow/command_line.h"
#include "logged_dialogs.h"
#include "paths.h"
#include "self_delete.h"
#include "uninstall_flow.h"
#include "uninstall_list.h"
#include "winbase/module_path.h"

namespace {

class MessageBoxDialogs : public uninstall::Dialogs {
 public:
  bool Confirm(const std::wstring& caption, const std::wstring& question) override {
    return MessageBoxW(nullptr, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
  }
  void Inform(const std::wstring& caption, const std::wstring& text, bool isError) override {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(),
                MB_OK | (isError ? MB_ICONWARNING : MB_ICONINFORMATION));
  }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // A list entry on an empty removable drive must not stop an unattended removal with the
  // system's "no disk" box: the failure comes back as an error, and the item is named.
  SetErrorMode(SEM_FAILCRITICALERRORS);
  // /S removes without asking and without a message box; /LOG= keeps a log either way.
  const bramlow::SetupSwitches switches =
      bramlow::ParseSetupSwitches(commandLine ? commandLine : L"");
  std::wstring program = winbase::ProgramPath();
  std::wstring folder = program.substr(0, program.find_last_of(L"\\/"));
  MessageBoxDialogs boxes;
  bramlow::StepLog& log = bramlow::Steps();
  if (switches.logFile) {
    // An open log keeps its folder: a removal that wrote it into the installation could
    // never remove that folder, yet would end saying everything was removed.
    if (uninstall::KeepsFolder(*switches.logFile, folder)) {
      if (!switches.silent)
        boxes.Inform(L"Uninstall",
                     L"The log file " + *switches.logFile +
                         L" lies in the folder being removed. Choose a log file outside it.",
                     true);
      return 1;
    }
    // Nor may it be a file the list names: removed with the rest, or held open against it.
    if (uninstall::IsOneOf(*switches.logFile,
                           uninstall::ReadUninstallList(folder + L"\\Uninstall.ini").files)) {
      if (!switches.silent)
        boxes.Inform(L"Uninstall",
                     L"The log file " + *switches.logFile +
                         L" is one of the files being removed. Choose another log file.",
                     true);
      return 1;
    }
    DWORD error = 0;
    // A log that cannot be written is an error: nothing is removed.
    if (!log.Open(*switches.logFile, error)) {
      if (!switches.silent)
        boxes.Inform(L"Uninstall",
                     L"The log file " + *switches.logFile + L" cannot be written: " +
                         bramlow::ReasonText(error),
                     true);
      return 1;
    }
  }
  uninstall::LoggedDialogs logged(switches.silent ? nullptr : &boxes, log);
  uninstall::Dialogs& dialogs =
      switches.silent || log.IsOpen() ? static_cast<uninstall::Dialogs&>(logged) : boxes;
  uninstall::Outcome outcome = uninstall::RunUninstall(program, dialogs);
  log.Line(uninstall::OutcomeLine(outcome));
  // Once the list has been carried out and is gone, the uninstaller has nothing left to do.
  // A list of what stayed keeps it for another try. The folder goes with it when empty,
  // unless it is one of the system's own (an installation into Favorites, into a drive root).
  const bool listRemains =
      GetFileAttributesW((folder + L"\\Uninstall.ini").c_str()) != INVALID_FILE_ATTRIBUTES;
  if (!listRemains &&
      (outcome == uninstall::Outcome::Removed || outcome == uninstall::Outcome::PartlyRemoved ||
       outcome == uninstall::Outcome::IncompleteList))
    uninstall::ScheduleSelfDelete(program,
                                  uninstall::IsProtectedFolder(folder) ? std::wstring() : folder);
  return log.WriteFailed() ? 1 : uninstall::ExitCodeOf(outcome);
}
