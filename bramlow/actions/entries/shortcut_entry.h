#pragma once
#include <string>

#include "bramlow/actions/entries/action_context.h"

namespace bramlow {

// Whether a link lives in a folder of its own (a program group) rather than on the desktop or
// in the Startup folder: decided on the unexpanded link name, which names neither
// "%Desktop%" nor "%Startup%" (without regard to case; "%All Startup%" is not "%Startup%").
bool LinkHasOwnFolder(const std::wstring& unexpandedLinkName);

// Shortcut item n of the script (section "Lnk" + n): expands the texts, writes the link, and
// when the installation keeps an uninstall list records the link under "files" with what it
// leads to (target and arguments, as read back from the link) and, for a link in a folder of its
// own that the link made, that folder under "folders". A link whose name the list's ANSI code
// page cannot hold is not made then (logged as failed). The link's folder becomes the current
// folder.
void ShortcutEntry(int n, ActionContext& context);

}  // namespace bramlow
