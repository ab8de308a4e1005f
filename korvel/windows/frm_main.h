// TfrmMain: the main window (the logon library). Loading it runs the single-instance check
// before its creation handler. The work behind its actions lives in LogonManager.
#pragma once
#include <memory>
#include <string>

#include "korvel/windows/instance_guard.h"
#include "korvel/windows/logon_manager.h"
#include "korvel/apply/program_runner.h"
#include "korvel/shared/product_links.h"
#include "ui/form.h"
#include "ui/image_list.h"
#include "ui/list_view.h"
#include "ui/open_dialog.h"
#include "ui/tool_bar.h"
#include "korvel/library/zip_packages.h"

namespace korvel {

class TfrmMain : public ui::Form {
 public:
  // Toolbar buttons in the order they stand (the separators are not counted).
  enum Action {
    actOpen,
    actApply,
    actDelete,
    actRestore,
    actDownload,
    actAbout,
    actSite,
    actFeedBack,
    actExit,
    kActionCount
  };

  TfrmMain();
  ~TfrmMain() override;
  // False when another instance runs: the window is never shown and the program ends.
  bool Started() const noexcept { return started_; }

  TabfOneInstance oniMain;
  ui::ImageList imlMain{24, 24};
  std::unique_ptr<ui::ToolBar> tbrMain;
  std::unique_ptr<ui::ListView> lvLogons;
  ui::OpenDialog dlgOpen;
  ZipPackageReader zipUnPack;
  ZipPackageWriter zipPack;

  void RefreshLogonList();
  void actOpenExecute();
  void actApplyExecute();
  void actDeleteExecute();
  void actRestoreExecute();
  void actDownloadExecute();
  void actAboutExecute();
  void actSiteExecute();
  void actFeedBackExecute();
  void actExitExecute();
  // A double-click or Enter on a row: the package's preview.
  void actPreviewExecute();

  LogonManager& Manager() { return *manager_; }

 private:
  static ui::FormStyle Style();
  void FormCreate();
  void FormShow();
  void CreateControls();
  void SetActionsEnabled(bool enabled);
  std::wstring SelectedPackage() const;

  bool started_ = false;
  bool previewReading_ = false;  // the engine lets the window handle messages meanwhile
  std::unique_ptr<WindowsProgramRunner> runner_;
  std::unique_ptr<ShellLinkOpener> links_;
  std::unique_ptr<LogonManager> manager_;
};

}  // namespace korvel
