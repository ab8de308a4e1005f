#include "bramlow/actions/entries/action_context.h"

#include "bramlow/formats/uninstall_list.h"
#include "bramlow/state/folder_macros.h"
#include "bramlow/state/language_texts.h"

namespace bramlow {

ProfileFile* ActionContext::ScriptItem(std::wstring_view kind, int n) const {
  ProfileFile* script = state_.ScriptFile.get();
  if (!script) return nullptr;
  script->Section = std::wstring(kind) + std::to_wstring(n);
  script->Mode = ProfileMode::Read;
  return script;
}

std::wstring ActionContext::Expand(std::wstring_view text) const {
  return ExpandMacros(text, state_);
}

std::wstring ActionContext::Text(int key, std::wstring_view arg) const {
  return LangTextFormatted(state_, key, arg);
}

void ActionContext::RecordNextFile(const std::wstring& path) {
  if (state_.CreateUninst) bramlow::RecordNextFile(state_, path);
}

void ActionContext::RecordNextFolder(const std::wstring& path) {
  if (state_.CreateUninst) bramlow::RecordNextFolder(state_, path);
}

void ActionContext::RecordNextOcx(const std::wstring& path) {
  if (state_.CreateUninst) bramlow::RecordNextOcx(state_, path);
}

void ActionContext::RecordLinkOfLastFile(const std::wstring& target,
                                         const std::wstring& arguments) {
  if (state_.CreateUninst) bramlow::RecordLink(state_, state_.FileCounter, target, arguments);
}

}  // namespace bramlow
