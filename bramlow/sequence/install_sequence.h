#pragma once
// The installation itself: what the third press of Next does. It copies the source tree and
// the single files, writes INI entries and registry values, creates shortcuts, runs programs,
// leaves the uninstaller with its list, and turns the wizard to its finish page. It runs
// synchronously and keeps the window alive between items.

#include <string>

#include "bramlow/actions/entries/action_host.h"
#include "bramlow/state/setup_state.h"

namespace bramlow {

// The wizard as the installation sees it: the progress page's title, status line and bar
// (through IActionHost), the finish page and the three buttons.
class IInstallView : public IActionHost {
 public:
  // Hides the folder page and shows the progress page.
  virtual void ShowProgressPage() = 0;
  // The destination exactly as typed into the folder page's edit box.
  virtual std::wstring DestinationText() = 0;
  virtual void SetProgressTitle(const std::wstring& text) = 0;
  virtual void SetProgressMaximum(int maximum) = 0;
  virtual void DisableButtons() = 0;
  // Handles one waiting window message, if any (the INI group lets only one through).
  virtual void ProcessOneMessage() = 0;
  virtual void Repaint() = 0;
  virtual void FocusWindow() = 0;
  // Hides the progress page and shows the finish page.
  virtual void ShowFinishPage() = 0;
  virtual void SetFinishTitle(const std::wstring& text) = 0;
  virtual void SetFinishText(const std::wstring& text) = 0;
  // Shows the restart box with its caption, ticked.
  virtual void OfferRestart(const std::wstring& caption) = 0;
  // The Cancel button becomes the way out: its new caption, enabled.
  virtual void EnableClose(const std::wstring& caption) = 0;
  // The current text of the link label (it is what the uninstall list records).
  virtual std::wstring LinkText() = 0;
};

// Runs the whole installation on `state` (its ScriptFile and LangFile open) and `view`.
// Faults of the script or a language file that make a conversion impossible end the program
// through the runtime error; nothing else stops it.
void RunInstallation(TSetupState& state, IInstallView& view);

}  // namespace bramlow
