// Korvel's entry: the mode from the first argument, the mode's window, then the message
// window, then the message loop until the first window closes.
#include <windows.h>

#include <memory>

#include "korvel/app_forms.h"
#include "korvel/app_mode.h"
#include "korvel/windows/frm_main.h"
#include "korvel/windows/frm_msg.h"
#include "korvel/windows/frm_setup.h"
#include "korvel/windows/frm_uninst.h"
#include "ui/application.h"
#include "ui/user_prompt.h"

using namespace korvel;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  ui::Application& app = ui::Application::Get();
  std::unique_ptr<TfrmMain> frmMain;
  std::unique_ptr<TfrmSetup> frmSetup;
  std::unique_ptr<TfrmUninst> frmUninst;
  std::unique_ptr<TfrmMsg> frmMsg;
  int exitCode = 0;
  try {
    AppMode mode = ChooseMode(CommandLineArguments());
    if (mode == AppMode::Install) {
      frmSetup = std::make_unique<TfrmSetup>();
      Forms().frmSetup = frmSetup.get();
    }
    if (mode == AppMode::Library) {
      frmMain = std::make_unique<TfrmMain>();
      Forms().frmMain = frmMain.get();
    }
    if (mode == AppMode::RemoveConfirm || mode == AppMode::RemoveQuiet) {
      frmUninst = std::make_unique<TfrmUninst>(mode == AppMode::RemoveConfirm);
      Forms().frmUninst = frmUninst.get();
    }
    frmMsg = std::make_unique<TfrmMsg>();
    Forms().frmMsg = frmMsg.get();
    ui::TheSystemPrompt().SetQuestionWindow([](const ui::OwnQuestion& q) {
      TfrmMsg* msg = Forms().frmMsg;
      return q.bold ? msg->AskMessageBold(q.caption, q.text, q.color)
                    : msg->AskMessage(q.caption, q.text, q.color);
    });
    exitCode = app.Run();
  } catch (...) {
    app.HandleException();
    exitCode = 1;
  }
  ui::TheSystemPrompt().SetQuestionWindow(nullptr);
  Forms() = AppForms{};
  return exitCode;
}
