#pragma once
#include <string>

#include "bramlow/actions/entries/action_context.h"

namespace bramlow {

// Whether a link lives in a folder of its own (a program group) rather than on the desktop or
// in the Startup folder: decided on the unexpanded link name, which names neither
// "%Desktop%" nor "%Startup%" (without regard to case; "%All Startup%" is not "%Startup%").
bool LinkHasOwnFolder(const std::wstring& unexpandedLinkName);

// Shortcut item n of the script (section "Lnk" + n): expands the texts, writes the link, and
// when the installation keeps an uninstall list records the link under "files" and, for a
// link in a folder of its own, that folder under "folders" (once per link). The link's folder
// becomes the current folder.
void ShortcutEntry(int n, ActionContext& context);

}  // namespace bramlow
