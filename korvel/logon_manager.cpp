#include "logon_manager.h"

#include <windows.h>

#include "logon_messages.h"

namespace korvel {

class LogonManager::BusyScope {
 public:
  explicit BusyScope(LogonManager& manager) : manager_(manager) { Set(true); }
  ~BusyScope() { Set(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  void Set(bool busy) {
    manager_.busy_ = busy;
    if (manager_.OnBusyChanged) manager_.OnBusyChanged(busy);
  }
  LogonManager& manager_;
};

LogonManager::LogonManager(LogonManagerSetup setup)
    : setup_(std::move(setup)),
      library_(setup_.programFolder),
      converter_(*setup_.reader, *setup_.writer, setup_.workFolder),
      importer_(library_, converter_,
                [this](const std::wstring&) {
                  return setup_.prompt->Box(setup_.text(kMsgOverwriteQuestion), setup_.caption(),
                                            MB_YESNO | MB_ICONQUESTION) == IDYES;
                }),
      applier_(*setup_.reader, *setup_.runner, setup_.workFolder, setup_.programFolder,
               setup_.systemRoot) {}

void LogonManager::Inform(unsigned key) {
  setup_.prompt->Box(setup_.text(key), setup_.caption(), MB_OK | MB_ICONINFORMATION);
}

void LogonManager::Fail(unsigned key) {
  setup_.prompt->Box(setup_.text(key), setup_.caption(), MB_OK | MB_ICONERROR);
}

bool LogonManager::Import(const std::wstring& chosenFile) {
  if (busy_) return false;
  BusyScope busy(*this);
  switch (importer_.Import(chosenFile)) {
    case ImportOutcome::Copied:
    case ImportOutcome::Converted:
      return true;
    case ImportOutcome::WriteFailed:
      Fail(kMsgLibraryWriteFailed);
      return false;
    case ImportOutcome::SourceUnreadable:
      Fail(kMsgImportSourceUnreadable);
      return false;
    case ImportOutcome::ConversionFailed:
      Fail(kMsgConversionFailed);
      return false;
    case ImportOutcome::Ignored:
    case ImportOutcome::Declined:
      return false;
  }
  return false;
}

bool LogonManager::Delete(const std::wstring& package) {
  if (busy_ || package.empty()) return false;
  if (!library_.Delete(package)) Fail(kMsgDeleteFailed);
  return true;
}

void LogonManager::Apply(const std::wstring& package) {
  if (busy_ || package.empty()) return;
  BusyScope busy(*this);
  switch (applier_.Apply(library_.PackagePath(package))) {
    case ApplyOutcome::Applied: Inform(kMsgApplied); break;
    case ApplyOutcome::WorkFolderFailed: Fail(kMsgWorkFolderFailed); break;
    case ApplyOutcome::Unreadable: Fail(kMsgApplyUnreadable); break;
    case ApplyOutcome::EmptyPackage: Fail(kMsgApplyEmpty); break;
    case ApplyOutcome::ToolNotStarted: Fail(kMsgToolNotStarted); break;
    case ApplyOutcome::ToolFailed: Fail(kMsgToolFailed); break;
    case ApplyOutcome::TargetUnchanged: Fail(kMsgTargetUnchanged); break;
    case ApplyOutcome::TargetReadOnly: Fail(kMsgTargetReadOnly); break;
    case ApplyOutcome::SystemRootNotAnsi: Fail(kMsgSystemRootNotAnsi); break;
  }
}

void LogonManager::Restore() {
  if (busy_) return;  // the apply in progress is about to write the same file
  if (applier_.Restore())
    Inform(kMsgRestored);
  else
    Fail(kMsgRestoreFailed);
}

void LogonManager::About() { Inform(kMsgAbout); }
void LogonManager::Download() { setup_.links->Open(DownloadAddress()); }
void LogonManager::Site() { setup_.links->Open(SiteAddress()); }
void LogonManager::FeedBack() { setup_.links->Open(FeedbackAddress()); }

}  // namespace korvel
