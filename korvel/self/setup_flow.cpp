#include "korvel/self/setup_flow.h"

#include "korvel/shared/kv_error.h"
#include "korvel/shared/message_text.h"
#include "korvel/shared/program_paths.h"
#include "korvel/self/self_install.h"
#include "ui/resources.h"
#include "winbase/module_path.h"
#include "winbase/text.h"
#include "korvel/self/windows_version.h"

namespace korvel {

bool SystemSetupActions::CheckWindowsVersion() {
  return korvel::CheckWindowsVersion();
}

void SystemSetupActions::RegisterProduct() {
  korvel::RegisterProduct(winbase::ProgramPath(), SystemFolder());
}

void SystemSetupActions::StartSelfRemoval() {
  korvel::StartSelfRemoval(winbase::ProgramPath());
}

SetupTexts SetupTexts::FromResources() {
  return SetupTexts{ui::LoadStringResource(65220), ui::LoadStringResource(65221),
                    ui::LoadStringResource(65250)};
}

SetupResult CompleteSetup(const std::wstring& caption, const SetupTexts& texts,
                          ui::IUserPrompt& prompt, ISetupActions& actions) {
  constexpr ui::Color kRed = RGB(255, 0, 0);
  if (!actions.CheckWindowsVersion()) {
    // The answer does not matter: an unsupported system is always cleaned up.
    prompt.Ask({caption, FormatMessagePattern(texts.unsupported, WindowsVersionText), kRed});
    actions.StartSelfRemoval();
    return {SetupOutcome::HandedToRemoval, {}};
  }
  if (!prompt.Ask(
          {caption, FormatMessagePattern(texts.supported, WindowsVersionText), ui::kBlack})) {
    actions.StartSelfRemoval();
    return {SetupOutcome::HandedToRemoval, {}};
  }
  try {
    actions.RegisterProduct();
  } catch (const ELogonHostCopyFailed& error) {
    return {SetupOutcome::Failed,
            FormatMessagePattern(texts.hostMissing, SystemErrorWording(error.SystemError()))};
  } catch (const EKvError& error) {
    return {SetupOutcome::Failed, error.Message()};
  } catch (const std::exception& error) {
    return {SetupOutcome::Failed, winbase::WidenMessage(error.what())};
  }
  return {SetupOutcome::Registered, {}};
}

}  // namespace korvel
