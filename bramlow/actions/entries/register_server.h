#pragma once
#include <string>

namespace bramlow {

// Loads a module by name through the system's search order and calls its DllRegisterServer.
// True only when the entry exists and returns S_OK. COM is deliberately not initialised here:
// a server that needs it initialises it itself.
bool RegisterServer(const std::wstring& moduleName);

}  // namespace bramlow
