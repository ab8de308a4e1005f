#include "winbase/module_path.h"

#include <vector>

namespace winbase {

std::wstring ModulePath(HMODULE module) {
  // The longest path the wide API takes.
  constexpr size_t kLongestPath = 32768;
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    // XP reports truncation by filling the buffer exactly and without an error code.
    if (length < buffer.size() - 1 || buffer.size() >= kLongestPath)
      return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace winbase
