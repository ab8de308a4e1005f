#include "korvel/self/removal_flow.h"

#include <windows.h>

#include "korvel/shared/kv_error.h"
#include "ui/resources.h"
#include "winbase/text.h"

namespace korvel {

void SystemRemovalActions::RemoveProductFiles() {
  korvel::RemoveProductFiles(paths_);
}

std::wstring SystemRemovalActions::WriteBatch() {
  return WriteRemovalBatch(paths_);
}

void SystemRemovalActions::EnterTemporaryFolder() {
  SetCurrentDirectoryW(paths_.tempFolder.c_str());
}

void SystemRemovalActions::StartBatch(const std::wstring& batchFile) {
  StartRemovalBatch(batchFile, paths_.tempFolder);
}

RemovalTexts RemovalTexts::FromResources() {
  return RemovalTexts{ui::LoadStringResource(65222), ui::LoadStringResource(65223)};
}

bool ConfirmRemoval(bool askFirst, const std::wstring& caption, const RemovalTexts& texts,
                    ui::IUserPrompt& prompt) {
  if (!askFirst) return true;
  return prompt.Ask({caption, texts.confirm, RGB(255, 0, 0), true});
}

RemovalResult CompleteRemoval(const std::wstring& caption, const RemovalTexts& texts,
                              ui::IUserPrompt& prompt, IRemovalActions& actions,
                              const std::function<void()>& hideWindow) {
  actions.RemoveProductFiles();
  std::wstring batch;
  try {
    batch = actions.WriteBatch();
  } catch (const EKvError& error) {
    return {false, error.Message()};
  } catch (const std::exception& error) {
    return {false, winbase::WidenMessage(error.what())};
  }
  actions.EnterTemporaryFolder();
  if (hideWindow) hideWindow();
  prompt.Box(texts.done, caption, MB_OK | MB_ICONINFORMATION);
  actions.StartBatch(batch);
  return {true, {}};
}

}  // namespace korvel
