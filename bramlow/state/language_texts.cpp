#include "bramlow/state/language_texts.h"

#include "bramlow/text/format_pattern.h"
#include "bramlow/state/runtime_error.h"

namespace bramlow {

std::wstring LangText(const TSetupState& state, int key) {
  if (!state.LangFile) return {};
  return state.LangFile->ProfileText(std::to_wstring(key), L"");
}

std::wstring LangText(int key) { return LangText(SetupState, key); }

std::wstring LangTextFormatted(const TSetupState& state, int key, std::wstring_view arg) {
  std::wstring text = FormatOrStop(LangText(state, key), arg);
  if (key == 5 || key == 17) text = ExpandLineBreaks(text);
  return text;
}

std::wstring LangTextFormatted(int key, std::wstring_view arg) {
  return LangTextFormatted(SetupState, key, arg);
}

}  // namespace bramlow
