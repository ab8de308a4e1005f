#include "logged_dialogs.h"

namespace uninstall {

bool LoggedDialogs::Logged(const std::wstring& caption, const std::wstring& question, bool yes) {
  log_.Line(L"message \"" + caption + L"\": " + question + (yes ? L" -> Yes" : L" -> No") +
            (shown_ ? L"" : L" (unattended)"));
  return yes;
}

bool LoggedDialogs::Confirm(const std::wstring& caption, const std::wstring& question) {
  return Logged(caption, question, shown_ ? shown_->Confirm(caption, question) : true);
}

bool LoggedDialogs::KeepWaiting(const std::wstring& caption, const std::wstring& question) {
  return Logged(caption, question, shown_ ? shown_->KeepWaiting(caption, question) : false);
}

void LoggedDialogs::Inform(const std::wstring& caption, const std::wstring& text, bool isError) {
  log_.Line(L"message \"" + caption + L"\": " + text);
  if (shown_) shown_->Inform(caption, text, isError);
}

void LoggedDialogs::Removed(const RemovalReport& report) {
  log_.Line(L"removed " + std::to_wstring(report.removedFiles) + L" files, " +
            std::to_wstring(report.removedFolders) + L" folders, " +
            std::to_wstring(report.removedValues) + L" registry values");
  for (const LeftItem& item : report.leftOver) {
    switch (item.stay) {
      case Stay::Running:
        log_.Line(L"left running: " + item.what);
        break;
      case Stay::Retry:
        log_.Line(L"not removed: " + item.what + L" (" + item.reason + L"; kept for another run)");
        break;
      case Stay::Refused:
        log_.Line(L"not removed: " + item.what + L" (" + item.reason + L"; refused, not kept)");
        break;
    }
  }
  if (shown_) shown_->Removed(report);
}

void LoggedDialogs::Note(const std::wstring& line) {
  log_.Line(line);
  if (shown_) shown_->Note(line);
}

int ExitCodeOf(Outcome outcome) {
  return outcome == Outcome::Removed || outcome == Outcome::Declined ? 0 : 1;
}

std::wstring OutcomeLine(Outcome outcome) {
  const wchar_t* what = L"";
  switch (outcome) {
    case Outcome::Removed:
      what = L"removed";
      break;
    case Outcome::PartlyRemoved:
      what = L"something stayed";
      break;
    case Outcome::IncompleteList:
      what = L"the list was incomplete";
      break;
    case Outcome::Declined:
      what = L"declined, nothing removed";
      break;
    case Outcome::NoList:
      what = L"no uninstall list, nothing removed";
      break;
    case Outcome::AlreadyRunning:
      what = L"another removal of this list is running, nothing removed";
      break;
  }
  return std::wstring(L"result: ") + what + L" (exit code " + std::to_wstring(ExitCodeOf(outcome)) +
         L")";
}

}  // namespace uninstall
