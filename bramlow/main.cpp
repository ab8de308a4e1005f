// The setup engine's entry. For now it shows the language dialog and ends when the dialog
// is left; the wizard window takes over after OK once it exists.
#include <windows.h>

#include <commctrl.h>

#include "bramlow/actions/language_texts.h"
#include "bramlow/language_dialog.h"
#include "bramlow/runtime_error.h"
#include "bramlow/setup_state.h"
#include "ui/application.h"
#include "ui/handles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  ui::ComInit com;
  ui::Application& app = ui::Application::Get();
  app.SetTitle(L"bramlow");
  try {
    bramlow::TForm2 form2(bramlow::SetupState, bramlow::ProgramFolder());
    form2.OnAccepted = [&app] { app.Terminate(); };
    return app.Run();
  } catch (...) {
    app.HandleException();
    return 1;
  }
}
