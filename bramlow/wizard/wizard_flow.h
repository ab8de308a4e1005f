#pragma once
// The wizard's decisions, apart from its window: loading the script when the window is first
// shown, Next and Back by PageStep, Browse, the link, and the close request with its
// confirmation and the optional restart. Questions go through ui::Prompt().
#include <functional>
#include <string>

#include "bramlow/actions/entries/close_gate.h"
#include "bramlow/actions/entries/restart_computer.h"
#include "bramlow/state/setup_state.h"
#include "bramlow/wizard/wizard_view.h"

namespace bramlow {

class WizardFlow {
 public:
  // runInstallation performs the installation on the state (the third Next); platformId is
  // the system's platform identifier (2 for the NT family), for the OnlyNT check.
  WizardFlow(TSetupState& state, IWizardView& view, IComputerRestart& restart,
             std::function<void()> runInstallation, unsigned long platformId);

  // The window became visible (the first time): reads the language file and the script, sets
  // every text and refuses to go on when OnlyNT says so.
  void FormShow();
  void NextClick();
  void BackClick();
  void BrowseClick();
  void LinkClick();
  // A close request (Cancel, the close box, the system menu, a posted close). True when the
  // window may close now.
  bool CloseQuery();

  bool Installing() const { return gate_.Busy(); }

 private:
  void EnterLicencePage();
  void EnterFolderPage();
  // Whether the destination typed on the folder page can be installed into; says why not.
  bool AcceptDestination();
  void Install();
  void ReleaseFiles();

  TSetupState& state_;
  IWizardView& view_;
  IComputerRestart& restart_;
  std::function<void()> runInstallation_;
  unsigned long platformId_;
  // A close asked for while the installation runs waits for its end.
  CloseGate gate_;
  bool asking_ = false;
  bool loaded_ = false;
  bool closingWithoutRestart_ = false;
};

// The platform identifier of the running system (2 for the NT family).
unsigned long SystemPlatformId();

}  // namespace bramlow
