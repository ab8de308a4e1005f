#include "bramlow/wizard/wizard_form.h"

#include <shellapi.h>

#include <algorithm>

#include "bramlow/state/folder_macros.h"
#include "ui/application.h"
#include "ui/canvas.h"

namespace bramlow {
namespace {

constexpr wchar_t kPictureFileName[] = L"setup.bmp";
constexpr int kPictureWidth = 164;
constexpr int kHeaderLineY = 55;
constexpr int kHeaderPictureSize = 48;
// The content shown for the licence: at most this many bytes are read from the file.
constexpr size_t kMaxLicenceBytes = 8u << 20;

int Index(WizardPage page) { return static_cast<int>(page); }

// Welcome and finish pages carry the picture pane; their header sits right of it.
bool HasPicturePane(WizardPage page) {
  return page == WizardPage::Welcome || page == WizardPage::Finish;
}

const wchar_t* HeaderBitmapName(WizardPage page) {
  switch (page) {
    case WizardPage::Welcome: return L"WELCOME";
    case WizardPage::Licence: return L"LICENSE";
    case WizardPage::Folder: return L"BROWSE";
    case WizardPage::Progress: return L"SETUP";
    case WizardPage::Finish: return L"FINISH";
  }
  return L"";
}

// A word-wrapped label keeps its width and takes the height its text needs.
void FitLabelHeight(ui::Label& label) {
  std::wstring text = label.Text();
  RECT bounds = label.Bounds();
  winbase::WindowDc dc(label.Handle());
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(label.Handle(), WM_GETFONT, 0, 0));
  winbase::SelectObjectScope select(dc.get(), font);
  RECT r{0, 0, bounds.right - bounds.left, 0};
  ::DrawTextW(dc.get(), text.empty() ? L" " : text.c_str(), text.empty() ? 1 : -1, &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  label.SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, r.bottom);
}

// Draws a bevelled line: shadow on top, highlight below, fill between.
void LoweredLine(HDC dc, RECT r, COLORREF fill) {
  winbase::BrushHandle brush(::CreateSolidBrush(fill));
  ::FillRect(dc, &r, brush.get());
  ::DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
}

}  // namespace

ui::FormStyle TForm1::Style() {
  ui::FormStyle s;
  s.className = L"TForm1";
  s.caption = L"";
  s.clientWidth = kClientWidth;
  s.clientHeight = kClientHeight;
  s.minimizeBox = true;
  s.color = ui::kWhite;
  s.fontName = L"Tahoma";
  s.fontHeight = -11;
  s.fontCharset = RUSSIAN_CHARSET;
  return s;
}

TForm1::TForm1(TSetupState& state, IComputerRestart& restart,
               std::function<void(TSetupState&, IInstallView&)> runInstallation,
               unsigned long platformId)
    : ui::Form(Style()),
      state_(state),
      runInstallation_(std::move(runInstallation)),
      flow_(state, *this, restart, [this] { runInstallation_(state_, *this); }, platformId) {
  state_.ClearForNewWindow();
  for (ui::Label* title : {&labWelcomeTitle, &labLicenceTitle, &labFolderTitle,
                           &labProgressTitle, &labFinishTitle}) {
    title->SetBold(true);
  }
  pages_[Index(WizardPage::Welcome)] = {&labWelcomeTitle, &labWelcomeBody, &labWelcomeBottom};
  pages_[Index(WizardPage::Licence)] = {&labLicenceTitle, &labLicenceText};
  pages_[Index(WizardPage::Folder)] = {&labFolderTitle, &labFolderText, &EditBox1, &btnBrowse,
                                       &GroupBox1, &labFreeSpace, &labFolderLower};
  pages_[Index(WizardPage::Progress)] = {&labProgressTitle, &labStatus, &pbrProgress};
  pages_[Index(WizardPage::Finish)] = {&labFinishTitle, &labFinishText};
  chkRestart.SetVisible(false);
  for (WizardPage page : {WizardPage::Licence, WizardPage::Folder, WizardPage::Progress,
                          WizardPage::Finish}) {
    for (ui::Window* control : pages_[Index(page)]) control->SetVisible(false);
  }
  for (int i = 0; i < 5; ++i) {
    headers_[i] = ui::LoadBitmapResource(HeaderBitmapName(static_cast<WizardPage>(i)));
  }
  MakeStripBrush();

  // No default button: Enter in the destination box must not start the installation.
  btnNext.OnClick = [this] { flow_.NextClick(); };
  btnBack.OnClick = [this] { flow_.BackClick(); };
  btnCancel.OnClick = [this] { Close(); };
  btnBrowse.OnClick = [this] { flow_.BrowseClick(); };
  Label1.OnClick = [this] { flow_.LinkClick(); };
  OnShow = [this] { flow_.FormShow(); };
  OnCloseQuery = [this](bool& canClose) { canClose = flow_.CloseQuery(); };
  FinishCreate();
}

TForm1::~TForm1() {
  // The viewer is a control of this form: it goes before the form's window does.
  viewer_.reset();
}

void TForm1::MakeStripBrush() {
  winbase::BitmapHandle strip = ui::LoadBitmapResource(L"BM_BUTBG");
  if (!strip) return;
  // The strip is the bitmap stretched to the strip's height; every column is alike, so a
  // pattern brush of that height paints any part of it, also behind the label and buttons.
  const int height = kClientHeight - kPageHeight;
  SIZE size = ui::BitmapSize(strip.get());
  winbase::WindowDc screen(nullptr);
  winbase::BitmapHandle pattern(::CreateCompatibleBitmap(screen.get(), 8, height));
  if (!pattern) return;
  {
    winbase::MemoryDc source(::CreateCompatibleDC(screen.get()));
    winbase::MemoryDc target(::CreateCompatibleDC(screen.get()));
    winbase::SelectObjectScope selectSource(source.get(), strip.get());
    winbase::SelectObjectScope selectTarget(target.get(), pattern.get());
    ::SetStretchBltMode(target.get(), COLORONCOLOR);
    ::StretchBlt(target.get(), 0, 0, 8, height, source.get(), 0, 0, size.cx, size.cy, SRCCOPY);
  }
  stripBrush_.reset(::CreatePatternBrush(pattern.get()));
  if (!stripBrush_) return;
  auto offset = [](const ui::Window& w) {
    RECT r = w.Bounds();
    return POINT{r.left, r.top - kPageHeight};
  };
  Label1.SetBackground(stripBrush_.get(), offset(Label1));
  for (StripButton* b : {&btnBack, &btnNext, &btnCancel}) b->SetBackground(stripBrush_.get(), offset(*b));
}

std::vector<ui::Window*>& TForm1::PageControls(WizardPage page) { return pages_[Index(page)]; }

// ---- IWizardView ---------------------------------------------------------------------------

void TForm1::ShowPage(WizardPage page) {
  if (page == page_) return;
  for (ui::Window* control : PageControls(page_)) control->SetVisible(false);
  if (page_ == WizardPage::Finish) chkRestart.SetVisible(false);
  page_ = page;
  for (ui::Window* control : PageControls(page_)) control->SetVisible(true);
  if (page_ == WizardPage::Finish && restartOffered_) chkRestart.SetVisible(true);
  if (viewer_) viewer_->SetVisible(page_ == WizardPage::Licence);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TForm1::SetText(WizardText what, const std::wstring& text) {
  switch (what) {
    case WizardText::WindowCaption:
      SetCaption(text);
      ui::Application::Get().SetTitle(text);
      break;
    case WizardText::BackButton: btnBack.SetText(text); break;
    case WizardText::NextButton: btnNext.SetText(text); break;
    case WizardText::CancelButton: btnCancel.SetText(text); break;
    case WizardText::LinkLabel: Label1.SetCaption(text); break;
    case WizardText::WelcomeTitle: labWelcomeTitle.SetText(text); break;
    case WizardText::WelcomeBody: labWelcomeBody.SetText(text); break;
    case WizardText::WelcomeBottom:
      labWelcomeBottom.SetText(text);
      FitLabelHeight(labWelcomeBottom);
      break;
    case WizardText::LicenceTitle: labLicenceTitle.SetText(text); break;
    case WizardText::LicenceText: labLicenceText.SetText(text); break;
    case WizardText::FolderTitle: labFolderTitle.SetText(text); break;
    case WizardText::FolderText: labFolderText.SetText(text); break;
    case WizardText::FolderGroup: GroupBox1.SetText(text); break;
    case WizardText::FreeSpaceLine: labFreeSpace.SetText(text); break;
    case WizardText::FolderLower: labFolderLower.SetText(text); break;
    case WizardText::BrowseButton: btnBrowse.SetText(text); break;
    case WizardText::Destination: EditBox1.SetText(text); break;
  }
}

std::wstring TForm1::Text(WizardText what) {
  switch (what) {
    case WizardText::WindowCaption: return Caption();
    case WizardText::BackButton: return btnBack.Text();
    case WizardText::NextButton: return btnNext.Text();
    case WizardText::CancelButton: return btnCancel.Text();
    case WizardText::LinkLabel: return Label1.Text();
    case WizardText::WelcomeTitle: return labWelcomeTitle.Text();
    case WizardText::WelcomeBody: return labWelcomeBody.Text();
    case WizardText::WelcomeBottom: return labWelcomeBottom.Text();
    case WizardText::LicenceTitle: return labLicenceTitle.Text();
    case WizardText::LicenceText: return labLicenceText.Text();
    case WizardText::FolderTitle: return labFolderTitle.Text();
    case WizardText::FolderText: return labFolderText.Text();
    case WizardText::FolderGroup: return GroupBox1.Text();
    case WizardText::FreeSpaceLine: return labFreeSpace.Text();
    case WizardText::FolderLower: return labFolderLower.Text();
    case WizardText::BrowseButton: return btnBrowse.Text();
    case WizardText::Destination: return EditBox1.Text();
  }
  return {};
}

void TForm1::SetBackEnabled(bool enabled) { btnBack.SetEnabled(enabled); }

void TForm1::SetDestinationEditable(bool editable) {
  EditBox1.SetEnabled(editable);
  btnBrowse.SetEnabled(editable);
}

void TForm1::FocusDestination() {
  ::SetFocus(EditBox1.Handle());
  ::SendMessageW(EditBox1.Handle(), EM_SETSEL, 0, -1);
}

void TForm1::CreateLicenceViewer(const std::wstring& fileName) {
  viewer_.reset();
  viewer_ = std::make_unique<ui::RichEditViewer>(*this, 8, 104, kPageWidth - 15, 200,
                                                ui::EditLook::Page);
  // Keyboard order as on the page: after the texts, before the buttons of the strip.
  ::SetWindowPos(viewer_->Handle(), labLicenceText.Handle(), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  viewer_->LoadFile(fileName, kMaxLicenceBytes);
  viewer_->SetVisible(page_ == WizardPage::Licence);
}

void TForm1::DestroyLicenceViewer() { viewer_.reset(); }

std::optional<std::wstring> TForm1::ChooseFolder() { return bramlow::ChooseFolder(Handle()); }

void TForm1::PostClose() { ::PostMessageW(Handle(), WM_CLOSE, 0, 0); }

bool TForm1::RestartTicked() { return chkRestart.Visible() && chkRestart.Checked(); }

void TForm1::OpenSite(const std::wstring& address) {
  ::ShellExecuteW(Handle(), L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// ---- IInstallView --------------------------------------------------------------------------

// The status line and the bar show what the pacer lets through; everything else the
// installation changes on the window first brings them up to date, so the order of what the
// user sees stays the order of the reports.
void TForm1::ShowStatus(const std::wstring& text) { progress_.Status(text); }

void TForm1::SetProgressPosition(int position) { progress_.Position(position); }

void TForm1::ProcessPendingMessages() {
  ShowProgress(false);
  if (progress_.PumpDue()) ui::ProcessPendingMessages();
}

void TForm1::ShowProgress(bool all) {
  ProgressPacer::Due due = progress_.Take(all);
  if (due.status) labStatus.SetText(*due.status);
  if (due.position) pbrProgress.SetPosition(*due.position);
}

std::wstring TForm1::WindowCaption() const { return Caption(); }

void TForm1::ShowProgressPage() { ShowPage(WizardPage::Progress); }

std::wstring TForm1::DestinationText() { return EditBox1.Text(); }

void TForm1::SetProgressTitle(const std::wstring& text) {
  ShowProgress(true);
  labProgressTitle.SetText(text);
}

void TForm1::SetProgressMaximum(int maximum) {
  ShowProgress(true);
  pbrProgress.SetRange(0, maximum);
}

void TForm1::DisableButtons() {
  ShowProgress(true);
  for (ui::Button* b : {static_cast<ui::Button*>(&btnBack), static_cast<ui::Button*>(&btnNext),
                        static_cast<ui::Button*>(&btnCancel)}) {
    b->SetEnabled(false);
  }
}

void TForm1::ProcessOneMessage() {
  ShowProgress(true);
  MSG msg;
  if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ui::Application::Get().DispatchOne(msg);
}

void TForm1::Repaint() {
  ShowProgress(true);
  ::InvalidateRect(Handle(), nullptr, TRUE);
  ::UpdateWindow(Handle());
}

void TForm1::FocusWindow() { ::SetFocus(Handle()); }

void TForm1::ShowFinishPage() {
  ShowProgress(true);
  ShowPage(WizardPage::Finish);
}

void TForm1::SetFinishTitle(const std::wstring& text) { labFinishTitle.SetText(text); }

void TForm1::SetFinishText(const std::wstring& text) { labFinishText.SetText(text); }

void TForm1::OfferRestart(const std::wstring& caption) {
  chkRestart.SetText(caption);
  // As wide as its caption beside the box.
  RECT r = chkRestart.Bounds();
  winbase::WindowDc dc(chkRestart.Handle());
  winbase::SelectObjectScope select(dc.get(), Font());
  SIZE size{0, 0};
  ::GetTextExtentPoint32W(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &size);
  int width = size.cx + ::GetSystemMetrics(SM_CXMENUCHECK) + 8;
  if (width > kClientWidth - r.left) width = kClientWidth - r.left;
  chkRestart.SetBounds(r.left, r.top, width, r.bottom - r.top);
  chkRestart.SetChecked(true);
  restartOffered_ = true;
  chkRestart.SetVisible(page_ == WizardPage::Finish);
  chkRestart.Invalidate();
}

void TForm1::EnableClose(const std::wstring& caption) {
  btnCancel.SetText(caption);
  btnCancel.SetEnabled(true);
  btnCancel.Invalidate();
}

std::wstring TForm1::LinkText() { return Label1.Text(); }

// ---- painting ------------------------------------------------------------------------------

LRESULT TForm1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wp));
      return 1;
    case WM_PRINTCLIENT:
      // Themed controls ask for what lies behind them.
      PaintBackground(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_PAINT: {
      ui::PaintScope paint(Handle());
      PaintPage(paint.Dc());
      return 0;
    }
    default:
      break;
  }
  return ui::Form::HandleMessage(msg, wp, lp);
}

void TForm1::PaintBackground(HDC dc) {
  RECT client;
  ::GetClientRect(Handle(), &client);
  RECT page{0, 0, client.right, kPageHeight};
  ::FillRect(dc, &page, BackgroundBrush());
  RECT strip{0, kPageHeight, client.right, client.bottom};
  if (stripBrush_) {
    POINT old;
    ::SetBrushOrgEx(dc, 0, kPageHeight, &old);
    ::FillRect(dc, &strip, stripBrush_.get());
    ::SetBrushOrgEx(dc, old.x, old.y, nullptr);
  } else {
    ::FillRect(dc, &strip, ::GetSysColorBrush(COLOR_BTNFACE));
  }
  RECT separator{0, kPageHeight, client.right, kPageHeight + 2};
  ::DrawEdge(dc, &separator, BDR_SUNKENOUTER, BF_RECT);
}

void TForm1::PaintPage(HDC dc) {
  const bool wide = HasPicturePane(page_);
  if (wide) PaintPicture(dc);
  // Header: the page's picture, then the lowered line under the title.
  if (HBITMAP header = headers_[Index(page_)].get()) {
    winbase::MemoryDc memory(::CreateCompatibleDC(dc));
    winbase::SelectObjectScope select(memory.get(), header);
    SIZE size = ui::BitmapSize(header);
    int x = wide ? 168 : 8;
    ::BitBlt(dc, x, 3, std::min<int>(size.cx, kHeaderPictureSize),
             std::min<int>(size.cy, kHeaderPictureSize), memory.get(), 0, 0, SRCCOPY);
  }
  LoweredLine(dc, RECT{wide ? 165 : 0, kHeaderLineY, kPageWidth, kHeaderLineY + 3}, RGB(0, 0, 0));
}

void TForm1::PaintPicture(HDC dc) {
  if (state_.NoLogo || state_.InstallerFolder.empty()) return;
  // Read on every paint: the file beside the engine may change under a running wizard.
  winbase::BitmapHandle picture(static_cast<HBITMAP>(
      ::LoadImageW(nullptr, (state_.InstallerFolder + kPictureFileName).c_str(), IMAGE_BITMAP, 0, 0,
                   LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
  if (!picture) return;
  SIZE size = ui::BitmapSize(picture.get());
  winbase::MemoryDc memory(::CreateCompatibleDC(dc));
  winbase::SelectObjectScope select(memory.get(), picture.get());
  if (state_.Stretch) {
    int oldMode = ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    ::StretchBlt(dc, 0, 0, kPictureWidth, kPageHeight, memory.get(), 0, 0, size.cx, size.cy,
                 SRCCOPY);
    ::SetStretchBltMode(dc, oldMode);
  } else {
    ::BitBlt(dc, 0, 0, std::min<int>(size.cx, kPictureWidth), std::min<int>(size.cy, kPageHeight),
             memory.get(), 0, 0, SRCCOPY);
  }
}

}  // namespace bramlow
