// The full path of the running program file or of a module loaded into it.
#pragma once
#include <windows.h>

#include <string>

namespace winbase {

// Paths of any length; empty when the system cannot tell.
[[nodiscard]] std::wstring ModulePath(HMODULE module);
[[nodiscard]] inline std::wstring ProgramPath() {
  return ModulePath(nullptr);
}

}  // namespace winbase
