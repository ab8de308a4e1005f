#include "bramlow/silent_setup.h"

#include <windows.h>

#include <vector>

#include "bramlow/actions/language/language_files.h"
#include "bramlow/state/language_texts.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/state/destination_check.h"
#include "bramlow/sequence/install_sequence.h"
#include "bramlow/text/macro_text.h"
#include "bramlow/wizard/progress_pacer.h"
#include "bramlow/formats/script_format.h"
#include "bramlow/formats/uninstall_list.h"
#include "ui/application.h"
#include "ui/user_prompt.h"

namespace bramlow {
namespace {

// The wizard's pages as the installation sees them, with nothing on screen. Waiting window
// messages are still handled: the uninstall list is written by a thread timer.
class SilentInstallView final : public IInstallView {
 public:
  SilentInstallView(std::wstring destination, std::wstring linkText, std::wstring caption)
      : destination_(std::move(destination)),
        linkText_(std::move(linkText)),
        caption_(std::move(caption)) {}

  void ShowStatus(const std::wstring&) override {}
  void SetProgressPosition(int) override {}
  // Once a turn, as the wizard does: looking at the queue after every one of thousands of
  // files would cost more than the list's timer needs.
  void ProcessPendingMessages() override {
    if (pacer_.PumpDue()) ui::ProcessPendingMessages();
  }
  std::wstring WindowCaption() const override { return caption_; }
  void ShowProgressPage() override {}
  std::wstring DestinationText() override { return destination_; }
  void SetProgressTitle(const std::wstring&) override {}
  void SetProgressMaximum(int) override {}
  void DisableButtons() override {}
  void ProcessOneMessage() override { ui::ProcessPendingMessages(); }
  void Repaint() override {}
  void FocusWindow() override {}
  void ShowFinishPage() override {}
  void SetFinishTitle(const std::wstring&) override {}
  void SetFinishText(const std::wstring&) override {}
  void OfferRestart(const std::wstring&) override {}
  void EnableClose(const std::wstring&) override {}
  std::wstring LinkText() override { return linkText_; }

 private:
  std::wstring destination_;
  std::wstring linkText_;
  std::wstring caption_;
  ProgressPacer pacer_{[] { return static_cast<uint32_t>(::GetTickCount()); }, kMessageTurnMs};
};

bool SameNameNoCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                        b.c_str(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

// The language asked for, or the one the dialog preselects (the first file listed). Empty
// when there is none to use.
std::wstring ChooseLanguage(const std::wstring& installerFolder, const SetupSwitches& switches) {
  const std::vector<std::wstring> names = ListLanguageNames(installerFolder);
  if (switches.language) {
    for (const std::wstring& name : names) {
      if (SameNameNoCase(name, *switches.language)) return name;
    }
    // An empty /LANG= names no file: refused like any other name that is not there.
    const std::wstring asked = switches.language->empty() ? L"(none given)" : *switches.language;
    Steps().Line(L"language " + asked + L": failed (no such language file)");
    return L"";
  }
  for (const std::wstring& name : names) {
    if (!name.empty()) return name;
  }
  Steps().Line(L"language: failed (no language file beside the engine)");
  return L"";
}

}  // namespace

SetupExit RunSilentSetup(TSetupState& state, const SetupSwitches& switches,
                         const std::wstring& installerFolder, unsigned long platformId) {
  state.InstallerFolder = installerFolder;
  state.LangName = ChooseLanguage(installerFolder, switches);
  if (state.LangName.empty()) return SetupExit::Refused;
  Steps().Line(L"language " + state.LangName + L": ok");

  const ScriptSetup script = LoadScript(state);
  // The runtime error's message is captioned with the application's title, as in the wizard.
  ui::Application::Get().SetTitle(script.WindowName);
  if (RefusesToRun(script.OnlyNT, platformId)) {
    state.Finished = true;
    ui::Prompt().Box(LangTextFormatted(state, 10, state.AppName), script.WindowName,
                     MB_OK | MB_ICONERROR);
    return SetupExit::Refused;
  }

  std::wstring destination = state.DestFolder;
  if (switches.destination) {
    // The wizard lets nobody type a destination when the kit forbids it; /D= neither.
    if (state.EditDest)
      destination = *switches.destination;
    else
      Steps().Line(L"destination " + *switches.destination +
                   L": ignored (the kit's destination is fixed)");
  }
  // The wizard's folder page refuses these before anything is written; so does /S.
  const DestinationProblem problem = CheckDestination(destination);
  if (problem != DestinationProblem::None) {
    Steps().Line(L"destination " + destination + L": failed (" +
                 DestinationProblemText(problem, destination) + L")");
    return SetupExit::Refused;
  }
  if (state.CreateUninst && HoldsAnotherApplicationsList(destination, state.AppName)) {
    Steps().Line(L"destination " + destination +
                 L": failed (it holds the uninstall list of another application)");
    return SetupExit::Refused;
  }
  Steps().Line(L"install " + state.AppName + L" into " + destination);

  SilentInstallView view(destination, script.LinkName, script.WindowName);
  // The welcome, licence and folder pages are passed; the licence counts as accepted.
  state.PageStep = 3;
  RunInstallation(state, view);
  state.LangFile.reset();
  state.ScriptFile.reset();
  return SetupOutcome(state, Steps().FailedCopies(), Steps().WriteFailed(), false);
}

}  // namespace bramlow
