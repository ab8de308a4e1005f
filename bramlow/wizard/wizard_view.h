#pragma once
// The wizard window as its decisions see it: pages, texts, buttons and the few things only a
// window can do (the licence viewer, the folder dialog, a posted close). The form implements
// it; tests record the calls.
#include <optional>
#include <string>

namespace bramlow {

enum class WizardPage { Welcome, Licence, Folder, Progress, Finish };

// Every text of the window the wizard sets from the script or the language file.
enum class WizardText {
  WindowCaption,
  BackButton,
  NextButton,
  CancelButton,
  LinkLabel,
  WelcomeTitle,
  WelcomeBody,
  WelcomeBottom,
  LicenceTitle,
  LicenceText,
  FolderTitle,
  FolderText,
  FolderGroup,
  FreeSpaceLine,
  FolderLower,
  BrowseButton,
  Destination,  // the edit box of the folder page
};

class IWizardView {
 public:
  virtual ~IWizardView() = default;
  // Shows page and hides the page shown before.
  virtual void ShowPage(WizardPage page) = 0;
  virtual void SetText(WizardText what, const std::wstring& text) = 0;
  virtual std::wstring Text(WizardText what) = 0;
  virtual void SetBackEnabled(bool enabled) = 0;
  // The destination edit box and the Browse button together.
  virtual void SetDestinationEditable(bool editable) = 0;
  // Puts the keyboard focus into the destination edit box, its text selected.
  virtual void FocusDestination() = 0;
  // Creates the licence viewer anew (scrolled to the top) showing the file, or removes it.
  virtual void CreateLicenceViewer(const std::wstring& fileName) = 0;
  virtual void DestroyLicenceViewer() = 0;
  // The folder dialog: the chosen folder, nothing when cancelled.
  virtual std::optional<std::wstring> ChooseFolder() = 0;
  // Queues a close request; it is handled after the current message.
  virtual void PostClose() = 0;
  // Whether the restart box of the finish page is ticked (and shown).
  virtual bool RestartTicked() = 0;
  // Opens a web address through the shell.
  virtual void OpenSite(const std::wstring& address) = 0;
};

}  // namespace bramlow
