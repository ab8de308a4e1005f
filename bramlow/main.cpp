// The setup engine's entry: the wizard window is built hidden, then the language dialog,
// whose OK shows the wizard; closing the wizard ends the program.
#include <windows.h>

#include <commctrl.h>

#include "bramlow/actions/language_texts.h"
#include "bramlow/actions/restart_computer.h"
#include "bramlow/install_sequence.h"
#include "bramlow/language_dialog.h"
#include "bramlow/setup_state.h"
#include "bramlow/wizard/wizard_form.h"
#include "ui/application.h"
#include "ui/handles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  // The folder dialog and the shortcuts need COM on this thread.
  ui::ComInit com;
  ui::Application& app = ui::Application::Get();
  app.SetTitle(L"bramlow");
  try {
    bramlow::SystemRestart restart;
    bramlow::TForm1 form1(bramlow::SetupState, restart, &bramlow::RunInstallation);
    bramlow::TForm2 form2(bramlow::SetupState, bramlow::ProgramFolder());
    form2.Form1 = &form1;
    form2.OnAccepted = [&form1] { form1.Show(); };
    form2.Show();
    // The wizard is the main window, but the language dialog decides when it appears.
    app.SetShowMainForm(false);
    return app.Run();
  } catch (...) {
    app.HandleException();
    return 1;
  }
}
