// What the removal window ("/2", "/3") does: the confirmation when shown, and the removal once
// its progress bar is full.
#pragma once

#include <functional>
#include <string>

#include "korvel/self/self_uninstall.h"
#include "ui/user_prompt.h"

namespace korvel {

// The effects on the system, replaceable in tests.
class IRemovalActions {
 public:
  virtual ~IRemovalActions() = default;
  virtual void RemoveProductFiles() = 0;
  virtual std::wstring WriteBatch() = 0;  // raises when the batch cannot be written
  virtual void EnterTemporaryFolder() = 0;
  virtual void StartBatch(const std::wstring& batchFile) = 0;
};

class SystemRemovalActions : public IRemovalActions {
 public:
  explicit SystemRemovalActions(UninstallPaths paths) : paths_(std::move(paths)) {}
  void RemoveProductFiles() override;
  std::wstring WriteBatch() override;
  void EnterTemporaryFolder() override;
  void StartBatch(const std::wstring& batchFile) override;

 private:
  UninstallPaths paths_;
};

struct RemovalTexts {
  std::wstring confirm;  // 65222
  std::wstring done;     // 65223
  static RemovalTexts FromResources();
};

// True when the removal may go on: at once without askFirst ("/3"), after an OK with it ("/2").
bool ConfirmRemoval(bool askFirst, const std::wstring& caption, const RemovalTexts& texts,
                    ui::IUserPrompt& prompt);

struct RemovalResult {
  bool done = false;
  std::wstring error;  // the failure's text, for the general error handler
};

// Removes, writes the batch, hides the window (hideWindow), reports and starts the batch.
RemovalResult CompleteRemoval(const std::wstring& caption, const RemovalTexts& texts,
                              ui::IUserPrompt& prompt, IRemovalActions& actions,
                              const std::function<void()>& hideWindow);

}  // namespace korvel
