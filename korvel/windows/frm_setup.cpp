#include "korvel/windows/frm_setup.h"

#include "korvel/self/setup_flow.h"
#include "ui/application.h"
#include "ui/canvas.h"
#include "ui/user_prompt.h"

namespace korvel {

ui::FormStyle TfrmSetup::Style() {
  ui::FormStyle s;
  s.className = L"TfrmSetup";
  s.caption = L"Korvel --- Setup";
  s.clientWidth = 356;
  s.clientHeight = 52;
  s.systemMenu = false;
  s.color = ui::kWhite;
  return s;
}

TfrmSetup::TfrmSetup() : ui::Form(Style()) {
  OnShow = [this] { FormShow(); };
  OnPaint = [this](ui::Canvas& canvas) { FormPaint(canvas); };
  tmrProgress.OnTimer = [this] { tmrProgressTimer(); };
  FinishCreate();
}

void TfrmSetup::FormShow() {
  ui::Application::Get().SetTitle(Caption());
  tmrProgress.SetEnabled(true);
}

void TfrmSetup::FormPaint(ui::Canvas& canvas) {
  winbase::IconHandle icon = ui::LoadIconResource(L"MAINICON");
  if (icon) canvas.DrawIcon(10, 10, icon.get());
}

void TfrmSetup::tmrProgressTimer() {
  // The work waits one tick after the bar is full, so the user sees it complete.
  if (pbrSetup.Position() < 100) {
    pbrSetup.StepBy(1);
    return;
  }
  tmrProgress.SetEnabled(false);
  SystemSetupActions actions;
  const SetupResult result =
      CompleteSetup(Caption(), SetupTexts::FromResources(), ui::Prompt(), actions);
  if (result.outcome == SetupOutcome::Failed) {
    // The window has no close button: after the error it must not stay behind.
    ui::Application::Get().ShowError(result.error);
    ui::Application::Get().Terminate(1);
  }
  Close();
}

}  // namespace korvel
