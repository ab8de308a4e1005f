#include "bramlow/actions/entries/show_command.h"

#include <windows.h>

#include "bramlow/actions/entries/path_parts.h"

namespace bramlow {

int ShowCommandFor(RunWay way, const std::wstring& runType) {
  const std::wstring word = UpperAsciiLetters(runType);
  if (word == L"NORMAL") return way == RunWay::Process ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL;
  if (word == L"MAXIMIZE") return SW_SHOWMAXIMIZED;
  if (word == L"MINIMIZE") return SW_MINIMIZE;
  if (word == L"HIDE") return SW_HIDE;
  return way == RunWay::Process ? SW_HIDE : SW_SHOWNORMAL;
}

}  // namespace bramlow
