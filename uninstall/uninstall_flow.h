// The uninstaller's conversation with the user, apart from the message boxes themselves.
#pragma once

#include <string>

#include "remover.h"

namespace uninstall {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual bool Confirm(const std::wstring& caption, const std::wstring& question) = 0;
  virtual void Inform(const std::wstring& caption, const std::wstring& text, bool isError) = 0;
};

enum class Outcome { Removed, PartlyRemoved, Declined, NoList };

// Reads `folder`\Uninstall.ini, asks, removes, tells the user what could not be removed.
Outcome RunUninstall(const std::wstring& folder, Dialogs& dialogs);

}  // namespace uninstall
