#include "korvel/windows/frm_main.h"

#include "korvel/windows/frm_preview.h"
#include "korvel/windows/logon_list_view.h"
#include "korvel/shared/shared_paths.h"
#include "ui/application.h"
#include "ui/resources.h"
#include "ui/user_prompt.h"
#include "winbase/module_path.h"

namespace korvel {
namespace {

constexpr int kToolBarHeight = 34;
constexpr COLORREF kPictureMask = RGB(255, 0, 255);
// The toolbar's highlight and "unused" colours.
constexpr ui::Color kToolBarColor = RGB(231, 236, 244);

// The archive engine hands the window its turn between pieces of work.
void PumpMessages() {
  try {
    ui::ProcessPendingMessages();
  } catch (...) {
    ui::Application::Get().HandleException();
  }
}

}  // namespace

ui::FormStyle TfrmMain::Style() {
  ui::FormStyle s;
  s.className = L"TfrmMain";
  s.caption = L"Korvel 2.0";
  s.clientWidth = 492;
  s.clientHeight = 366;
  s.systemMenu = true;
  s.minimizeBox = true;
  s.color = ui::kButtonFace;
  return s;
}

TfrmMain::TfrmMain() : ui::Form(Style()) {
  oniMain.Message = L"Korvel уже выполняется!";
  oniMain.ShowMessage = true;
  oniMain.MainWindowClass = L"TfrmMain";
  // The window exists by now, hidden: the warning of a refused start belongs to it, and so
  // gets no task-bar button of its own.
  if (!oniMain.Loaded(ui::Application::Get(), ui::Prompt(), Handle())) return;
  started_ = true;
  OnCreate = [this] { FormCreate(); };
  FinishCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate() {
  ui::Application::Get().SetTitle(Caption());
  SetPaths(ComputeSharedPaths(winbase::ProgramPath()));

  zipUnPack.zipUnPack.ProcessMessages = PumpMessages;
  zipPack.zipPack.ProcessMessages = PumpMessages;
  runner_ = std::make_unique<WindowsProgramRunner>([] { ui::ProcessPendingMessages(); });
  links_ = std::make_unique<ShellLinkOpener>(Handle());
  LogonManagerSetup setup;
  setup.workFolder = Paths().workFolder;
  setup.programFolder = Paths().programFolder;
  setup.systemRoot = Paths().systemRoot;
  setup.reader = &zipUnPack;
  setup.writer = &zipPack;
  setup.runner = runner_.get();
  setup.links = links_.get();
  setup.prompt = &ui::Prompt();
  setup.text = [](unsigned key) { return ui::LoadStringResource(key); };
  setup.caption = [this] { return Caption(); };
  manager_ = std::make_unique<LogonManager>(std::move(setup));
  manager_->OnBusyChanged = [this](bool busy) { SetActionsEnabled(!busy); };

  CreateControls();
  OnShow = [this] { FormShow(); };
  // Closing in the middle of an apply would leave the work folder and a running tool behind.
  OnCloseQuery = [this](bool& canClose) { canClose = !manager_->Busy() && !previewReading_; };
}

void TfrmMain::CreateControls() {
  dlgOpen.filter = L"Логоны (*.logonxp,*.kvl)|*.logonxp;*.kvl";
  imlMain.AddMaskedResource(L"IMLMAIN", kPictureMask);

  tbrMain = std::make_unique<ui::ToolBar>(*this, 0, 0, ClientWidth(), kToolBarHeight);
  tbrMain->SetColor(kToolBarColor);
  tbrMain->SetHighlightColor(kToolBarColor);
  tbrMain->SetSelectedColor(ui::kButtonFace);
  tbrMain->SetSpacing(0);
  tbrMain->SetImages(imlMain);
  tbrMain->AddButton(0, L"Открыть", [this] { actOpenExecute(); });
  tbrMain->AddButton(6, L"Применить логон", [this] { actApplyExecute(); });
  tbrMain->AddButton(5, L"Удалить логон", [this] { actDeleteExecute(); });
  tbrMain->AddSeparator();
  tbrMain->AddButton(1, L"Восстановить системный логон", [this] { actRestoreExecute(); });
  tbrMain->AddButton(3, L"Скачать логоны", [this] { actDownloadExecute(); });
  tbrMain->AddSeparator();
  tbrMain->AddButton(4, L"О программе...", [this] { actAboutExecute(); });
  tbrMain->AddButton(7, L"Сайт программы", [this] { actSiteExecute(); });
  tbrMain->AddButton(8, L"Обратная связь", [this] { actFeedBackExecute(); });
  tbrMain->AddButton(2, L"Выход", [this] { actExitExecute(); });

  auto list = std::make_unique<LogonListView>(*this, 0, kToolBarHeight, ClientWidth(),
                                              ClientHeight() - kToolBarHeight);
  list->OnOpenRow = [this] { actPreviewExecute(); };
  lvLogons = std::move(list);
  lvLogons->AddColumn(L"Логоны", 450);
}

void TfrmMain::FormShow() {
  RefreshLogonList();
}

void TfrmMain::RefreshLogonList() {
  lvLogons->Clear();
  for (const std::wstring& name : manager_->Packages()) lvLogons->AddItem(name);
}

void TfrmMain::SetActionsEnabled(bool enabled) {
  for (int action = 0; action < kActionCount; ++action) tbrMain->SetButtonEnabled(action, enabled);
}

std::wstring TfrmMain::SelectedPackage() const {
  const int row = lvLogons->ItemIndex();
  return row < 0 ? std::wstring() : lvLogons->ItemCaption(row);
}

void TfrmMain::actOpenExecute() {
  if (manager_->Busy()) return;
  dlgOpen.fileName.clear();
  if (!dlgOpen.Execute(Handle()) || dlgOpen.fileName.empty()) return;
  if (manager_->Import(dlgOpen.fileName)) RefreshLogonList();
}

void TfrmMain::actApplyExecute() {
  manager_->Apply(SelectedPackage());
}

void TfrmMain::actDeleteExecute() {
  if (manager_->Delete(SelectedPackage())) RefreshLogonList();
}

void TfrmMain::actRestoreExecute() {
  manager_->Restore();
}
void TfrmMain::actDownloadExecute() {
  manager_->Download();
}
void TfrmMain::actAboutExecute() {
  manager_->About();
}
void TfrmMain::actSiteExecute() {
  manager_->Site();
}
void TfrmMain::actFeedBackExecute() {
  manager_->FeedBack();
}
void TfrmMain::actExitExecute() {
  Close();
}

void TfrmMain::actPreviewExecute() {
  if (manager_->Busy() || previewReading_) return;
  const std::wstring package = SelectedPackage();
  if (package.empty()) return;
  // Reading takes the actions off like any other work; the modal preview then holds the window.
  struct ReadingScope {
    TfrmMain& form;
    explicit ReadingScope(TfrmMain& f) : form(f) { Set(true); }
    ~ReadingScope() { Set(false); }
    void Set(bool reading) {
      form.previewReading_ = reading;
      form.SetActionsEnabled(!reading);
    }
  };
  PreviewRead contents;
  {
    ReadingScope reading(*this);
    contents = ReadPackageToPreview(manager_->Library().PackagePath(package), PumpMessages);
  }
  if (!contents)
    manager_->PreviewFailed(package, contents);
  else
    ShowPackagePreview(*this, package, std::move(contents.contents));
}

}  // namespace korvel
