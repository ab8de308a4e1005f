// What the action entries use of the setup state: script items, macros, texts, uninstall list.
#pragma once
#include <string>
#include <string_view>

#include "bramlow/actions/profile/profile_file.h"
#include "bramlow/state/setup_state.h"

namespace bramlow {

// Built once per installation on the setup state, which it reads as it is at each call
// (the destination the installation settled on, the list it opened).
class ActionContext {
 public:
  explicit ActionContext(TSetupState& state) : state_(state) {}

  // The script reader set to read item section "<kind><n>" ("Oth3"); null without a script.
  ProfileFile* ScriptItem(std::wstring_view kind, int n) const;
  // text with its folder macros replaced.
  std::wstring Expand(std::wstring_view text) const;
  // Language text key formatted with one text argument.
  std::wstring Text(int key, std::wstring_view arg) const;

  // Whether the installation keeps an uninstall list.
  bool KeepsUninstallList() const { return state_.CreateUninst; }
  // The uninstall list's next file, folder or COM server; nothing (and no number taken) when
  // the installation keeps no list.
  void RecordNextFile(const std::wstring& path);
  void RecordNextFolder(const std::wstring& path);
  void RecordNextOcx(const std::wstring& path);
  // Beside the file recorded last (a shortcut): what it was made to lead to.
  void RecordLinkOfLastFile(const std::wstring& target, const std::wstring& arguments);

 private:
  TSetupState& state_;
};

}  // namespace bramlow
