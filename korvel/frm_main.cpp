#include "frm_main.h"

#include "shared_paths.h"
#include "ui/application.h"
#include "ui/user_prompt.h"

namespace korvel {

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
  if (!oniMain.Loaded(ui::Application::Get(), ui::Prompt())) return;
  started_ = true;
  OnCreate = [this] { FormCreate(); };
  FinishCreate();
}

void TfrmMain::FormCreate() {
  ui::Application::Get().SetTitle(Caption());
  SetPaths(ComputeSharedPaths(ui::Application::ProgramPath()));
}

}  // namespace korvel
