#include "bramlow/actions/entries/register_server.h"

#include <windows.h>

#include "winbase/handles.h"

namespace bramlow {

bool RegisterServer(const std::wstring& moduleName) {
  if (moduleName.empty()) return false;
  winbase::ModuleHandle module(LoadLibraryW(moduleName.c_str()));
  if (!module) return false;
  using RegisterFn = HRESULT(__stdcall*)();
  auto entry = reinterpret_cast<RegisterFn>(
      reinterpret_cast<void*>(GetProcAddress(module.get(), "DllRegisterServer")));
  if (!entry) return false;
  return entry() == S_OK;
}

}  // namespace bramlow
