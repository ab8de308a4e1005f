// What the setup window ("/1") does once its progress bar is full: check the system, ask,
// then register or hand over to the removal without question.
#pragma once

#include <string>

#include "ui/user_prompt.h"

namespace korvel {

// The effects on the system, replaceable in tests.
class ISetupActions {
 public:
  virtual ~ISetupActions() = default;
  virtual bool CheckWindowsVersion() = 0;
  virtual void RegisterProduct() = 0;  // raises on a registry failure
  virtual void StartSelfRemoval() = 0;
};

// The real effects for the running program.
class SystemSetupActions : public ISetupActions {
 public:
  bool CheckWindowsVersion() override;
  void RegisterProduct() override;
  void StartSelfRemoval() override;
};

struct SetupTexts {
  std::wstring supported;    // 65220, "%s" for the version
  std::wstring unsupported;  // 65221
  std::wstring hostMissing;  // 65250, "%s" for the system's error text
  static SetupTexts FromResources();
};

enum class SetupOutcome { Registered, HandedToRemoval, Failed };

struct SetupResult {
  SetupOutcome outcome = SetupOutcome::Failed;
  std::wstring error;  // the failure's text, for the general error handler
};

SetupResult CompleteSetup(const std::wstring& caption, const SetupTexts& texts,
                          ui::IUserPrompt& prompt, ISetupActions& actions);

}  // namespace korvel
