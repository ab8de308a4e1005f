#include "uninstall_flow.h"

namespace uninstall {
namespace {

// The list carries the texts in the language the user chose for the installation; these
// stand in only where an old or damaged list has none.
const wchar_t* const kFallback[7] = {
    L"Uninstall",
    L"Do you want to remove %s and all of its components?",
    L"%s was removed from your computer.",
    L"Some parts of %s could not be removed:",
    L"The uninstall list \"Uninstall.ini\" was not found. Nothing was removed.",
    L"",
    L"",
};

std::wstring Text(const UninstallList& list, int index) {
  return list.texts[index].empty() ? kFallback[index] : list.texts[index];
}

}  // namespace

Outcome RunUninstall(const std::wstring& folder, Dialogs& dialogs) {
  UninstallList list = ReadUninstallList(folder + L"\\Uninstall.ini");
  std::wstring caption = Text(list, 0);
  if (!list.appName.empty()) caption = list.appName + L" - " + caption;
  if (!list.found) {
    dialogs.Inform(caption, Text(list, 4), true);
    return Outcome::NoList;
  }
  if (!dialogs.Confirm(caption, FormatListText(Text(list, 1), list.appName))) return Outcome::Declined;

  RemovalReport report = Remover(folder).Remove(list);
  if (report.leftOver.empty()) {
    dialogs.Inform(caption, FormatListText(Text(list, 2), list.appName), false);
    return Outcome::Removed;
  }
  std::wstring text = FormatListText(Text(list, 3), list.appName) + L"\r\n";
  constexpr size_t kShown = 20;
  for (size_t i = 0; i < report.leftOver.size() && i < kShown; ++i) text += L"\r\n" + report.leftOver[i];
  if (report.leftOver.size() > kShown) text += L"\r\n...";
  dialogs.Inform(caption, text, true);
  return Outcome::PartlyRemoved;
}

}  // namespace uninstall
