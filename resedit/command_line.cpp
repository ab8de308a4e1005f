#include "command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "winbase/handles.h"

namespace resedit {

std::optional<std::wstring> ScriptArgument(const std::vector<std::wstring>& args) {
  for (std::size_t i = 1; i + 1 < args.size(); ++i) {
    if (lstrcmpiW(args[i].c_str(), L"-script") == 0 || lstrcmpiW(args[i].c_str(), L"/script") == 0) {
      if (args[i + 1].empty()) return std::nullopt;
      return args[i + 1];
    }
  }
  return std::nullopt;
}

std::vector<std::wstring> ProcessArguments() {
  int count = 0;
  winbase::LocalMemory<LPWSTR> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::wstring> args;
  if (!argv.get()) return args;
  for (int i = 0; i < count; ++i) args.emplace_back(argv.get()[i]);
  return args;
}

}  // namespace resedit
