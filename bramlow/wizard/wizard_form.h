#pragma once
// The setup wizard's window: five white pages shown one at a time above a strip with the
// link label and the Back, Next and Cancel buttons. Its decisions live in WizardFlow; the
// installation sees it as an IInstallView.
#include <functional>
#include <memory>
#include <vector>

#include "bramlow/actions/entries/restart_computer.h"
#include "bramlow/sequence/install_sequence.h"
#include "bramlow/state/setup_state.h"
#include "bramlow/wizard/link_label.h"
#include "bramlow/wizard/progress_pacer.h"
#include "bramlow/wizard/strip_button.h"
#include "bramlow/wizard/wizard_flow.h"
#include "bramlow/wizard/wizard_view.h"
#include "ui/check_box.h"
#include "ui/edit_box.h"
#include "ui/form.h"
#include "ui/group_box.h"
#include "ui/label.h"
#include "ui/progress_bar.h"
#include "ui/rich_edit.h"

namespace bramlow {

class TForm1 : public ui::Form, public IWizardView, public IInstallView {
 public:
  // Pages' size and the window's client size.
  static constexpr int kPageWidth = 497;
  static constexpr int kPageHeight = 314;
  static constexpr int kClientWidth = 495;
  static constexpr int kClientHeight = 357;

  // runInstallation: what the third Next does (RunInstallation, or a test's stand-in);
  // platformId for the OnlyNT check.
  TForm1(TSetupState& state, IComputerRestart& restart,
         std::function<void(TSetupState&, IInstallView&)> runInstallation,
         unsigned long platformId = SystemPlatformId());
  ~TForm1() override;

  WizardFlow& Flow() { return flow_; }
  WizardPage CurrentPage() const { return page_; }
  ui::RichEditViewer* LicenceViewer() const { return viewer_.get(); }

  // IWizardView
  void ShowPage(WizardPage page) override;
  void SetText(WizardText what, const std::wstring& text) override;
  std::wstring Text(WizardText what) override;
  void SetBackEnabled(bool enabled) override;
  void SetDestinationEditable(bool editable) override;
  void FocusDestination() override;
  void CreateLicenceViewer(const std::wstring& fileName) override;
  void DestroyLicenceViewer() override;
  std::optional<std::wstring> ChooseFolder() override;
  void PostClose() override;
  bool RestartTicked() override;
  void OpenSite(const std::wstring& address) override;

  // IInstallView
  void ShowStatus(const std::wstring& text) override;
  void SetProgressPosition(int position) override;
  void ProcessPendingMessages() override;
  std::wstring WindowCaption() const override;
  void ShowProgressPage() override;
  std::wstring DestinationText() override;
  void SetProgressTitle(const std::wstring& text) override;
  void SetProgressMaximum(int maximum) override;
  void DisableButtons() override;
  void ProcessOneMessage() override;
  void Repaint() override;
  void FocusWindow() override;
  void ShowFinishPage() override;
  void SetFinishTitle(const std::wstring& text) override;
  void SetFinishText(const std::wstring& text) override;
  void OfferRestart(const std::wstring& caption) override;
  void EnableClose(const std::wstring& caption) override;
  std::wstring LinkText() override;

  // Welcome page
  ui::Label labWelcomeTitle{*this, L"", 224, 8, 265, 41};
  ui::Label labWelcomeBody{*this, L"", 168, 72, 321, 169};
  ui::Label labWelcomeBottom{*this, L"", 168, 280, 321, 13};
  // Licence page (the viewer is made on each entry)
  ui::Label labLicenceTitle{*this, L"", 64, 8, 417, 41};
  ui::Label labLicenceText{*this, L"", 8, 64, kPageWidth - 10, 33};
  // Folder page; the group box comes after what it frames so it never paints over them
  ui::Label labFolderTitle{*this, L"", 64, 8, 425, 41};
  ui::Label labFolderText{*this, L"", 16, 72, 409, 25, false};
  ui::EditBox EditBox1{*this, L"", 16 + 8, 96 + 28, 345, 20, ui::EditLook::Page};
  ui::Button btnBrowse{*this, L"", 16 + 368, 96 + 25, 65, 25};
  ui::GroupBox GroupBox1{*this, L"", 16, 96, 457, 65};
  ui::Label labFreeSpace{*this, L"", 16, 176, 457, 13, false};
  ui::Label labFolderLower{*this, L"", 16, 248, 465, 57};
  // Progress page
  ui::Label labProgressTitle{*this, L"", 64, 8, 417, 41};
  // As wide as the window allows from the start: on the white page that looks the same as a
  // label fitted to each file name, and the window need not be laid out again for each.
  ui::Label labStatus{*this, L"", 8, 80, kClientWidth - 8, 13, false};
  ui::ProgressBar pbrProgress{*this, 8, 104, 481, 17, 0, 0};
  // Finish page
  ui::Label labFinishTitle{*this, L"", 224, 8, 265, 41};
  ui::Label labFinishText{*this, L"", 168, 72, 321, 41};
  ui::CheckBox chkRestart{*this, L"", 168, 112, 0, 17};
  // The strip
  LinkLabel Label1{*this, 5, 317};
  StripButton btnBack{*this, L"", 224, 328, 65, 25};
  StripButton btnNext{*this, L"", 296, 328, 65, 25};
  StripButton btnCancel{*this, L"", 416, 328, 65, 25};

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  static ui::FormStyle Style();
  std::vector<ui::Window*>& PageControls(WizardPage page);
  void MakeStripBrush();
  void PaintBackground(HDC dc);
  void PaintPage(HDC dc);
  void PaintPicture(HDC dc);
  // Shows the reports the pacer holds: those due, or all of them.
  void ShowProgress(bool all);

  TSetupState& state_;
  std::function<void(TSetupState&, IInstallView&)> runInstallation_;
  WizardFlow flow_;
  WizardPage page_ = WizardPage::Welcome;
  std::unique_ptr<ui::RichEditViewer> viewer_;
  std::vector<ui::Window*> pages_[5];
  winbase::BitmapHandle headers_[5];
  winbase::BrushHandle stripBrush_;
  bool restartOffered_ = false;
  // Twenty redraws a second read as smooth movement; the queue is looked at every 10 ms, so the
  // window answers within that and the copy of one large file.
  ProgressPacer progress_{[] { return static_cast<uint32_t>(::GetTickCount()); }, kProgressFrameMs,
                          kMessageTurnMs};
};

}  // namespace bramlow
