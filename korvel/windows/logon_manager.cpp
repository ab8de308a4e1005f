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

unsigned LeftOutMessage(LeftOutReason reason) {
  switch (reason) {
    case LeftOutReason::NotInCodePage:
      return kMsgLeftOutNotInCodePage;
    case LeftOutReason::BlankAtEnd:
      return kMsgLeftOutBlankAtEnd;
    case LeftOutReason::Separator:
      return kMsgLeftOutSeparator;
    case LeftOutReason::NoName:
      return kMsgLeftOutNoName;
    case LeftOutReason::BadNumber:
      return kMsgLeftOutBadNumber;
    case LeftOutReason::TooLong:
      return kMsgLeftOutTooLong;
    case LeftOutReason::DotAtEnd:
      return kMsgLeftOutDotAtEnd;
    case LeftOutReason::Device:
      return kMsgLeftOutDevice;
    case LeftOutReason::ForbiddenCharacter:
      return kMsgLeftOutForbiddenCharacter;
    case LeftOutReason::Refused:
      return kMsgLeftOutRefused;
    case LeftOutReason::SameResource:
      return kMsgLeftOutSameResource;
    case LeftOutReason::NotABitmap:
      return kMsgLeftOutNotABitmap;
  }
  return kMsgLeftOutSeparator;
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

void LogonManager::FailBecause(unsigned key, unsigned long systemError) {
  Show(FormatMessagePattern(setup_.text(key), SystemErrorWording(systemError)), MB_ICONERROR);
}

std::wstring LogonManager::LeftOutList(const std::vector<LeftOutBitmap>& leftOut) const {
  std::wstring list;
  for (std::size_t i = 0; i < leftOut.size() && i < kMaxLeftOutListed; ++i) {
    if (!list.empty()) list += L"\n";
    list += FormatMessagePattern(setup_.text(LeftOutMessage(leftOut[i].reason)),
                                 {PrintableName(leftOut[i].file), PrintableName(leftOut[i].detail)});
  }
  if (leftOut.size() > kMaxLeftOutListed)
    list += L"\n" + FormatMessagePattern(setup_.text(kMsgLeftOutMore),
                                         std::to_wstring(leftOut.size() - kMaxLeftOutListed));
  return list;
}

bool LogonManager::Import(const std::wstring& chosenFile) {
  if (busy_) return false;
  BusyScope busy(*this);
  const ImportOutcome outcome = importer_.Import(chosenFile);
  switch (outcome) {
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
      if (importer_.LastConversion() == ConvertOutcome::FolderFailed ||
          importer_.LastConversion() == ConvertOutcome::CopyFailed)
        FailBecause(kMsgConversionFolderFailed, importer_.LastSystemError());
      else if (importer_.LastConversion() == ConvertOutcome::Unreadable)
        Fail(kMsgConversionUnreadable);
      else
        Fail(kMsgConversionFailed);
      return false;
    case ImportOutcome::TargetIsFolder:
    case ImportOutcome::SourceIsFolder:
      Show(FormatMessagePattern(setup_.text(outcome == ImportOutcome::TargetIsFolder
                                                ? kMsgImportTargetFolder
                                                : kMsgImportSourceFolder),
                                PrintableName(importer_.LastPackage())),
           MB_ICONERROR);
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
      Show(FormatMessagePattern(setup_.text(kMsgDeleteFolder), PrintableName(package)), MB_ICONERROR);
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
        Show(FormatMessagePattern(setup_.text(result.appliedBitmaps == 0 ? kMsgAppliedWithoutPictures
                                                                         : kMsgAppliedPartly),
                                  LeftOutList(result.leftOut)),
             MB_ICONWARNING);
      break;
    case ApplyOutcome::WorkFolderFailed:
      FailBecause(kMsgWorkFolderFailed, result.systemError);
      break;
    case ApplyOutcome::Unreadable:
      Fail(kMsgApplyUnreadable);
      break;
    case ApplyOutcome::PackageIsFolder:
      Show(FormatMessagePattern(setup_.text(kMsgApplyFolder), PrintableName(package)),
           MB_ICONERROR);
      break;
    case ApplyOutcome::PackageInUse:
      FailBecause(kMsgApplyInUse, result.systemError);
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
  unsigned long error = 0;
  if (applier_.Restore(&error))
    Inform(kMsgRestored);
  else
    FailBecause(kMsgRestoreFailed, error);
}

void LogonManager::PreviewFailed(const std::wstring& package, const PreviewRead& read) {
  switch (read.failure) {
    case PreviewFailure::None:
      break;
    case PreviewFailure::Unreadable:
      Fail(kMsgPreviewUnreadable);
      break;
    case PreviewFailure::NoScratchFolder:
      Fail(kMsgPreviewTempUnusable);
      break;
    case PreviewFailure::IsFolder:
      Show(FormatMessagePattern(setup_.text(kMsgPreviewFolder), PrintableName(package)),
           MB_ICONERROR);
      break;
    case PreviewFailure::InUse:
      FailBecause(kMsgPreviewInUse, read.systemError);
      break;
    case PreviewFailure::PictureTooLarge:
      Show(FormatMessagePattern(setup_.text(kMsgPreviewPictureTooLarge),
                                PrintableName(read.picture)),
           MB_ICONERROR);
      break;
  }
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
