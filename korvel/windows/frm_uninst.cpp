#include "korvel/windows/frm_uninst.h"

#include "korvel/self/removal_flow.h"
#include "ui/application.h"
#include "ui/canvas.h"
#include "ui/user_prompt.h"

namespace korvel {

ui::FormStyle TfrmUninst::Style() {
  ui::FormStyle s;
  s.className = L"TfrmUninst";
  s.caption = L"Korvel --- Uninstall";
  s.clientWidth = 357;
  s.clientHeight = 52;
  s.systemMenu = false;
  s.color = ui::kWhite;
  s.iconName = L"UNINST";
  return s;
}

TfrmUninst::TfrmUninst(bool askFirst) : ui::Form(Style()), askFirst_(askFirst) {
  OnShow = [this] { FormShow(); };
  OnPaint = [this](ui::Canvas& canvas) { FormPaint(canvas); };
  tmrMain.OnTimer = [this] { tmrMainTimer(); };
  FinishCreate();
}

void TfrmUninst::FormShow() {
  ui::Application::Get().SetTitle(Caption());
  if (!ConfirmRemoval(askFirst_, Caption(), RemovalTexts::FromResources(), ui::Prompt())) {
    Close();
    return;
  }
  tmrMain.SetEnabled(true);
}

void TfrmUninst::FormPaint(ui::Canvas& canvas) {
  // The program's second icon group, the removal picture; by name, so the order in which the
  // resource compiler lays out the groups cannot swap it for the main icon.
  winbase::IconHandle icon = ui::LoadIconResource(L"UNINST");
  if (icon) canvas.DrawIcon(10, 10, icon.get());
}

void TfrmUninst::tmrMainTimer() {
  if (pbrUninst.Position() < 100) {
    pbrUninst.StepBy(1);
    return;
  }
  tmrMain.SetEnabled(false);
  SystemRemovalActions actions(CurrentUninstallPaths());
  const RemovalResult result = CompleteRemoval(Caption(), RemovalTexts::FromResources(),
                                               ui::Prompt(), actions, [this] { Hide(); });
  if (!result.done) {
    // The removals already made stay made; the window has no close button, so it goes too.
    ui::Application::Get().ShowError(result.error);
    ui::Application::Get().Terminate(1);
  }
  Close();
}

}  // namespace korvel
