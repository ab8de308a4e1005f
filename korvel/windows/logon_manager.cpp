#include "korvel/windows/logon_manager.h"

#include <windows.h>

#include "korvel/windows/logon_messages.h"
#include "korvel/shared/message_text.h"

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

namespace {

unsigned LeftOutMessage(ScriptNameFault fault) {
  switch (fault) {
    case ScriptNameFault::NotInCodePage:
      return kMsgLeftOutNotInCodePage;
    case ScriptNameFault::BlankAtEnd:
      return kMsgLeftOutBlankAtEnd;
    case ScriptNameFault::Separator:
      return kMsgLeftOutSeparator;
    case ScriptNameFault::NoName:
      return kMsgLeftOutNoName;
    case ScriptNameFault::BadNumber:
      return kMsgLeftOutBadNumber;
    case ScriptNameFault::TooLong:
      return kMsgLeftOutTooLong;
    case ScriptNameFault::None:
      break;
  }
  return kMsgLeftOutSeparator;
}

// A name as a message box can show it: a control character would break the line or vanish.
std::wstring Printable(std::wstring name) {
  for (wchar_t& c : name)
    if (c < 0x20 || c == 0x7f) c = L'?';
  return name;
}

}  // namespace

void LogonManager::Show(const std::wstring& text, UINT flags) {
  setup_.prompt->Box(text, setup_.caption(), MB_OK | flags);
}

void LogonManager::Inform(unsigned key) {
  Show(setup_.text(key), MB_ICONINFORMATION);
}

void LogonManager::Fail(unsigned key) {
  Show(setup_.text(key), MB_ICONERROR);
}

std::wstring LogonManager::LeftOutList(const std::vector<LeftOutBitmap>& leftOut) const {
  std::wstring list;
  for (std::size_t i = 0; i < leftOut.size() && i < kMaxLeftOutListed; ++i) {
    if (!list.empty()) list += L"\n";
    list += FormatMessagePattern(setup_.text(LeftOutMessage(leftOut[i].fault)),
                                 Printable(leftOut[i].file));
  }
  if (leftOut.size() > kMaxLeftOutListed)
    list += L"\n" + FormatMessagePattern(setup_.text(kMsgLeftOutMore),
                                         std::to_wstring(leftOut.size() - kMaxLeftOutListed));
  return list;
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
  switch (library_.Delete(package)) {
    case DeleteOutcome::Deleted:
      break;
    case DeleteOutcome::IsFolder:
      Show(FormatMessagePattern(setup_.text(kMsgDeleteFolder), Printable(package)), MB_ICONERROR);
      break;
    case DeleteOutcome::Failed:
      Fail(kMsgDeleteFailed);
      break;
  }
  return true;
}

void LogonManager::Apply(const std::wstring& package) {
  if (busy_ || package.empty()) return;
  BusyScope busy(*this);
  const ApplyResult result = applier_.Apply(library_.PackagePath(package));
  switch (result.outcome) {
    case ApplyOutcome::Applied:
      if (result.leftOut.empty())
        Inform(kMsgApplied);
      else
        Show(FormatMessagePattern(setup_.text(kMsgAppliedPartly), LeftOutList(result.leftOut)),
             MB_ICONWARNING);
      break;
    case ApplyOutcome::WorkFolderFailed:
      Show(FormatMessagePattern(setup_.text(kMsgWorkFolderFailed),
                                SystemErrorWording(result.systemError)),
           MB_ICONERROR);
      break;
    case ApplyOutcome::Unreadable:
      Fail(kMsgApplyUnreadable);
      break;
    case ApplyOutcome::EmptyPackage:
      Fail(kMsgApplyEmpty);
      break;
    case ApplyOutcome::NothingCarried:
      Show(FormatMessagePattern(setup_.text(kMsgNothingCarried), LeftOutList(result.leftOut)),
           MB_ICONERROR);
      break;
    case ApplyOutcome::ToolNotStarted:
      Fail(kMsgToolNotStarted);
      break;
    case ApplyOutcome::ToolFailed:
      Fail(kMsgToolFailed);
      break;
    case ApplyOutcome::TargetUnchanged:
      Fail(kMsgTargetUnchanged);
      break;
    case ApplyOutcome::TargetReadOnly:
      Fail(kMsgTargetReadOnly);
      break;
    case ApplyOutcome::SystemRootNotAnsi:
      Fail(kMsgSystemRootNotAnsi);
      break;
  }
}

void LogonManager::Restore() {
  if (busy_) return;  // the apply in progress is about to write the same file
  if (applier_.Restore())
    Inform(kMsgRestored);
  else
    Fail(kMsgRestoreFailed);
}

void LogonManager::PreviewFailed(PreviewFailure failure) {
  Fail(failure == PreviewFailure::NoScratchFolder ? kMsgPreviewTempUnusable
                                                  : kMsgPreviewUnreadable);
}

void LogonManager::About() {
  Inform(kMsgAbout);
}
void LogonManager::Download() {
  setup_.links->Open(DownloadAddress());
}
void LogonManager::Site() {
  setup_.links->Open(SiteAddress());
}
void LogonManager::FeedBack() {
  setup_.links->Open(FeedbackAddress());
}

}  // namespace korvel
