#include "bramlow/wizard/language_dialog.h"

#include "bramlow/actions/language/language_files.h"
#include "ui/application.h"

namespace bramlow {

ui::FormStyle TForm2::Style() {
  ui::FormStyle s;
  s.className = L"TForm2";
  s.caption = L"Language";
  s.clientWidth = 248;
  s.clientHeight = 130;
  s.systemMenu = true;
  s.minimizeBox = false;
  s.maximizeBox = false;
  s.color = ui::kWhite;
  s.fontName = L"Tahoma";
  s.fontHeight = -11;
  s.fontCharset = RUSSIAN_CHARSET;
  return s;
}

TForm2::TForm2(TSetupState& state, const std::wstring& installerFolder)
    : ui::Form(Style()), state_(state), picture_(ui::LoadBitmapResource(L"LANG")) {
  // The close command goes, so the title bar's close button does nothing: the dialog is left
  // through OK or Cancel only.
  if (HMENU menu = ::GetSystemMenu(Handle(), FALSE)) ::DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
  // The dialog is the program's only visible window while it is open, and the task bar shows
  // the program by it ("Language"); as a window owned by the hidden wizard it would have no
  // task-bar button at all.
  ::SetWindowLongPtrW(Handle(), GWL_EXSTYLE, ::GetWindowLongPtrW(Handle(), GWL_EXSTYLE) | WS_EX_APPWINDOW);
  ui::Application::Get().SetTitle(L"Language");
  labPrompt.SetBold(true);
  btnOk.SetDefault(true);
  SetDefaultButton(&btnOk);
  btnOk.OnClick = [this] { btnOkClick(); };
  btnCancel.OnClick = [this] { btnCancelClick(); };
  OnPaint = [this](ui::Canvas& canvas) { FormPaint(canvas); };
  // Alt+F4 would otherwise hide the dialog and leave the hidden wizard running for ever.
  OnCloseQuery = [this](bool& canClose) { canClose = cancelled_; };

  state_.InstallerFolder = installerFolder;
  for (const std::wstring& name : ListLanguageNames(installerFolder)) {
    cbbLanguage.Add(name);
    if (firstFound_.empty() && !name.empty()) firstFound_ = name;
  }
  // The list sorts itself, so the first file found is selected by its text.
  if (!firstFound_.empty()) cbbLanguage.SetItemIndex(cbbLanguage.IndexOf(firstFound_));
  FinishCreate();
}

void TForm2::btnOkClick() {
  state_.LangName = cbbLanguage.SelectedText();
  Hide();
  if (OnAccepted) OnAccepted();
}

void TForm2::btnCancelClick() {
  // Posted, so both windows close after this click has returned.
  cancelled_ = true;
  ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
  if (Form1) ::PostMessageW(Form1->Handle(), WM_CLOSE, 0, 0);
  state_.Finished = true;
}

void TForm2::FormPaint(ui::Canvas& canvas) {
  if (picture_) canvas.DrawBitmap(8, 8, picture_.get());
}

}  // namespace bramlow
