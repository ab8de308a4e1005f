#include "korvel/app_mode.h"

#include <windows.h>
#include <shellapi.h>

#include "winbase/handles.h"

namespace korvel {

AppMode ChooseMode(const std::vector<std::wstring>& args) {
  if (args.empty()) return AppMode::Library;
  const std::wstring& first = args.front();
  if (first == L"/1") return AppMode::Install;
  if (first == L"/2") return AppMode::RemoveConfirm;
  if (first == L"/3") return AppMode::RemoveQuiet;
  return AppMode::Library;
}

std::vector<std::wstring> CommandLineArguments() {
  std::vector<std::wstring> args;
  int count = 0;
  winbase::LocalMemory<LPWSTR> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv.get()[i]);
  return args;
}

}  // namespace korvel
