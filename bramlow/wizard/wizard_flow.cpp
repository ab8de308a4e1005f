#include "bramlow/wizard/wizard_flow.h"

#include <windows.h>

#include <utility>

#include "bramlow/state/folder_macros.h"
#include "bramlow/state/language_texts.h"
#include "bramlow/state/destination_check.h"
#include "bramlow/text/macro_text.h"
#include "bramlow/formats/script_format.h"
#include "bramlow/formats/uninstall_list.h"
#include "ui/user_prompt.h"

namespace bramlow {
namespace {

constexpr wchar_t kLicenceFileName[] = L"setup.rtf";

// Why the folder page cannot be left: texts 39 to 44 of the language file; kits made before
// the texts existed get them in English.
struct RefusalText {
  int number;
  const wchar_t* fallback;
};
constexpr RefusalText kNotAFullPath{
    39,
    L"The destination folder must be a full path, such as C:\\Program Files\\Application. "
    L"Type one or click Browse."};
constexpr RefusalText kOutsideTheCodePage{
    40,
    L"The destination folder's name holds characters this system cannot use for installed "
    L"programs. Choose a folder whose name uses only the system's own alphabet."};
constexpr RefusalText kNoSuchDriveOrShare{
    41,
    L"The drive or network share of the destination folder is not available. Choose another "
    L"folder or connect the drive first."};
constexpr RefusalText kRootOrWindowsFolder{
    42,
    L"The destination folder cannot be the root of a drive or the Windows folder itself: the "
    L"application's files would mix with the system's. Choose a folder of its own, such as "
    L"C:\\Program Files\\Application."};
constexpr RefusalText kAnotherApplicationsFolder{
    43,
    L"The destination folder holds another application's uninstall list: installing there "
    L"would mix the two, and removing one would remove the other too. Choose a folder of its "
    L"own."};
constexpr RefusalText kTooLong{
    44,
    L"The destination folder's path is too long for the application's files. Choose a folder "
    L"with a shorter path, such as C:\\Program Files\\Application."};

// Sets a flag for the life of a scope, also when the scope is left by an exception.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

unsigned long SystemPlatformId() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExW(&info)) return 0;
  return info.dwPlatformId;
}

WizardFlow::WizardFlow(TSetupState& state, IWizardView& view, IComputerRestart& restart,
                       std::function<void()> runInstallation, unsigned long platformId)
    : state_(state),
      view_(view),
      restart_(restart),
      runInstallation_(std::move(runInstallation)),
      platformId_(platformId) {}

void WizardFlow::FormShow() {
  // Read once: showing the window again (after it was hidden) must not replace the readers
  // under a page, or under a running installation.
  if (loaded_) return;
  loaded_ = true;
  ScriptSetup script = LoadScript(state_);
  const std::wstring& app = state_.AppName;

  view_.SetText(WizardText::BackButton, LangText(state_, 1));
  view_.SetBackEnabled(false);
  view_.SetText(WizardText::NextButton, LangText(state_, 2));
  view_.SetText(WizardText::CancelButton, LangText(state_, 3));
  view_.SetText(WizardText::WelcomeTitle, LangTextFormatted(state_, 4, app));
  view_.SetText(WizardText::WelcomeBody, LangTextFormatted(state_, 5, app));
  view_.SetText(WizardText::WindowCaption, script.WindowName);
  view_.SetText(WizardText::WelcomeBottom, LangText(state_, 6));
  view_.SetText(WizardText::LinkLabel, script.LinkName);

  if (RefusesToRun(script.OnlyNT, platformId_)) {
    state_.Finished = true;
    ui::Prompt().Box(LangTextFormatted(state_, 10, app), view_.Text(WizardText::WindowCaption),
                     MB_OK | MB_ICONERROR);
    view_.PostClose();
  }
}

void WizardFlow::EnterLicencePage() {
  view_.ShowPage(WizardPage::Licence);
  view_.CreateLicenceViewer(state_.InstallerFolder + kLicenceFileName);
  view_.SetText(WizardText::NextButton, LangText(state_, 9));
}

void WizardFlow::EnterFolderPage() {
  view_.DestroyLicenceViewer();
  view_.ShowPage(WizardPage::Folder);
  view_.SetText(WizardText::NextButton, LangText(state_, 2));
  view_.SetText(WizardText::FolderTitle, LangText(state_, 11));
  view_.SetText(WizardText::FolderText, LangTextFormatted(state_, 12, state_.AppName));
  view_.SetText(WizardText::FolderGroup, LangText(state_, 15));
  view_.SetText(WizardText::FreeSpaceLine, LangTextFormatted(state_, 14, state_.FreeSpace));
  view_.SetText(WizardText::FolderLower, LangText(state_, 13));
  view_.SetText(WizardText::BrowseButton, LangText(state_, 16));
  view_.SetDestinationEditable(state_.EditDest);
  // A destination typed or browsed on an earlier visit is not kept.
  view_.SetText(WizardText::Destination, state_.DestFolder);
}

bool WizardFlow::AcceptDestination() {
  // An empty or relative destination would put the list, Uninstall.exe and every %Dest%
  // file into the root or the current folder of the current drive, and still report success.
  // A name the ANSI code page cannot hold would be listed for the uninstaller as '?'; a
  // missing drive or share would fail file by file behind a finish page reporting success; a
  // drive's root or the Windows folder would mix the application with the system.
  RefusalText refusal{};
  const std::wstring destination = view_.Text(WizardText::Destination);
  switch (CheckDestination(destination)) {
    case DestinationProblem::None:
      if (!state_.CreateUninst || !HoldsAnotherApplicationsList(destination, state_.AppName))
        return true;
      refusal = kAnotherApplicationsFolder;
      break;
    // A '"' or '*' typed into the box, or a folder named NUL: no full path holds one, and the
    // language files have no text of their own for it.
    case DestinationProblem::ForbiddenCharacter:
    case DestinationProblem::DeviceOrTrimmedName:
    case DestinationProblem::NotAFullPath:
      refusal = kNotAFullPath;
      break;
    case DestinationProblem::OutsideTheCodePage:
      refusal = kOutsideTheCodePage;
      break;
    case DestinationProblem::NoSuchDriveOrShare:
      refusal = kNoSuchDriveOrShare;
      break;
    case DestinationProblem::RootOrWindowsFolder:
      refusal = kRootOrWindowsFolder;
      break;
    case DestinationProblem::TooLong:
      refusal = kTooLong;
      break;
  }
  std::wstring text = LangText(state_, refusal.number);
  if (text.empty()) text = refusal.fallback;
  ui::Prompt().Box(text, view_.Text(WizardText::WindowCaption), MB_OK | MB_ICONWARNING);
  view_.FocusDestination();
  return false;
}

void WizardFlow::NextClick() {
  // Once the installation has begun the wizard only goes forward to its end; a stray click
  // (the buttons are disabled, but a queued one may still arrive) must not start it again.
  if (state_.PageStep >= 3) return;
  if (state_.PageStep == 2 && !AcceptDestination()) return;
  ++state_.PageStep;
  switch (state_.PageStep) {
    case 1:
      view_.SetBackEnabled(true);
      view_.SetText(WizardText::LicenceTitle, LangText(state_, 7));
      view_.SetText(WizardText::LicenceText, LangTextFormatted(state_, 8, state_.AppName));
      EnterLicencePage();
      break;
    case 2:
      EnterFolderPage();
      break;
    case 3:
      Install();
      break;
    default:
      break;
  }
}

void WizardFlow::BackClick() {
  if (state_.PageStep >= 3 || state_.PageStep <= 0) return;
  --state_.PageStep;
  switch (state_.PageStep) {
    case 0:
      view_.DestroyLicenceViewer();
      view_.ShowPage(WizardPage::Welcome);
      view_.SetBackEnabled(false);
      view_.SetText(WizardText::NextButton, LangText(state_, 2));
      break;
    case 1:
      EnterLicencePage();
      break;
    default:
      break;
  }
}

void WizardFlow::Install() {
  {
    CloseGate::Work running(gate_);
    runInstallation_();
  }
  // A close asked for while the installation ran is carried out now that nothing uses the
  // script and the language file any more. It was asked before the restart was offered, so
  // it does not restart the computer.
  if (gate_.TakeDeferredClose()) {
    closingWithoutRestart_ = true;
    view_.PostClose();
  }
}

void WizardFlow::BrowseClick() {
  std::optional<std::wstring> chosen = view_.ChooseFolder();
  if (!chosen) return;
  view_.SetText(WizardText::Destination, BrowsedDestination(*chosen, state_.DestFolder, state_));
}

void WizardFlow::LinkClick() {
  view_.OpenSite(state_.Site);
}

void WizardFlow::ReleaseFiles() {
  state_.LangFile.reset();
  state_.ScriptFile.reset();
}

bool WizardFlow::CloseQuery() {
  if (!gate_.RequestClose()) return false;
  if (state_.Finished) {
    bool restart = view_.RestartTicked() && !closingWithoutRestart_;
    ReleaseFiles();
    if (restart) restart_.RestartComputer();
    return true;
  }
  // A second request while the question is open (a queued close, say) is the same request.
  if (asking_) return false;
  std::wstring question = LangTextFormatted(state_, 17, state_.AppName);
  int answer;
  {
    FlagScope open(asking_);
    answer = ui::Prompt().Box(question, view_.Text(WizardText::WindowCaption),
                              MB_YESNO | MB_ICONINFORMATION);
  }
  if (answer != IDYES) return false;
  ReleaseFiles();
  return true;
}

}  // namespace bramlow
