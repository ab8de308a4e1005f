// The setup engine's entry: the wizard window is built hidden, then the language dialog,
// whose OK shows the wizard; closing the wizard ends the program. With /S there is no window
// at all; /LOG= keeps a log either way. The exit code tells the caller how it ended.
#include <windows.h>

#include <commctrl.h>

#include <optional>

#include "bramlow/actions/language/language_files.h"
#include "bramlow/actions/entries/restart_computer.h"
#include "bramlow/actions/entries/step_log.h"
#include "bramlow/command_line.h"
#include "bramlow/sequence/install_sequence.h"
#include "bramlow/wizard/language_dialog.h"
#include "bramlow/logged_prompt.h"
#include "bramlow/state/runtime_error.h"
#include "bramlow/setup_exit.h"
#include "bramlow/state/setup_state.h"
#include "bramlow/silent_setup.h"
#include "bramlow/wizard/wizard_form.h"
#include "bramlow/wizard/wizard_flow.h"
#include "ui/application.h"
#include "ui/user_prompt.h"
#include "winbase/handles.h"

namespace {

// A log that cannot be written is an error, never a silent loss: nothing is installed.
bool OpenLog(const bramlow::SetupSwitches& switches) {
  if (!switches.logFile) return true;
  DWORD error = 0;
  if (bramlow::Steps().Open(*switches.logFile, error)) return true;
  if (!switches.silent) {
    ui::Prompt().Box(
        L"The log file " + *switches.logFile + L" cannot be written: " + bramlow::ReasonText(error),
        L"bramlow", MB_OK | MB_ICONERROR);
  }
  return false;
}

int Finish(bramlow::SetupExit outcome) {
  bramlow::Steps().Line(bramlow::OutcomeLine(outcome));
  // A line lost on the way (the last one too) fails the run after all.
  if (bramlow::Steps().WriteFailed()) outcome = bramlow::SetupExit::Failed;
  return static_cast<int>(outcome);
}

int RunWizard(ui::Application& app) {
  bramlow::SystemRestart systemRestart;
  bramlow::NotedRestart restart(systemRestart);
  bramlow::TForm1 form1(bramlow::SetupState, restart, &bramlow::RunInstallation);
  bramlow::TForm2 form2(bramlow::SetupState, bramlow::ProgramFolder());
  form2.Form1 = &form1;
  form2.OnAccepted = [&form1] { form1.Show(); };
  form2.Show();
  // The wizard is the main window, but the language dialog decides when it appears.
  app.SetShowMainForm(false);
  app.Run();
  return Finish(bramlow::SetupOutcome(bramlow::SetupState, bramlow::Steps().FailedCopies(),
                                      bramlow::Steps().WriteFailed(), restart.Started()));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // A path on an empty removable drive must not stop an unattended installation with the
  // system's "no disk" box: the failure comes back as an error, and the step is logged. The
  // wizard's own messages are unaffected; programs it starts get the system's usual mode.
  SetErrorMode(SEM_FAILCRITICALERRORS);
  const bramlow::SetupSwitches switches =
      bramlow::ParseSetupSwitches(commandLine ? commandLine : L"");
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  // The folder dialog and the shortcuts need COM on this thread.
  winbase::ComInit com;
  ui::Application& app = ui::Application::Get();
  app.SetTitle(L"bramlow");
  if (!OpenLog(switches)) return static_cast<int>(bramlow::SetupExit::Failed);

  // Unattended, every message is answered by itself; with a log, each one is also written down.
  bramlow::LoggedPrompt logged(switches.silent ? nullptr : &ui::TheSystemPrompt(),
                               bramlow::Steps());
  std::optional<ui::ScopedPrompt> prompt;
  if (switches.silent || bramlow::Steps().IsOpen()) {
    prompt.emplace(logged);
    bramlow::SetRuntimeErrorReporter([](const std::wstring& message) {
      ui::Prompt().Box(message, ui::Application::Get().Title(), MB_OK | MB_ICONERROR);
      bramlow::Steps().Line(bramlow::OutcomeLine(bramlow::SetupExit::Failed));
    });
    app.SetErrorHandler([](const std::wstring& message) {
      ui::Prompt().Box(message, ui::Application::Get().Title(), MB_OK | MB_ICONERROR);
    });
  }
  try {
    if (switches.silent) {
      return Finish(bramlow::RunSilentSetup(bramlow::SetupState, switches, bramlow::ProgramFolder(),
                                            bramlow::SystemPlatformId()));
    }
    return RunWizard(app);
  } catch (...) {
    app.HandleException();
    bramlow::Steps().Line(bramlow::OutcomeLine(bramlow::SetupExit::Failed));
    return 1;
  }
}
