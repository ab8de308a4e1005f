// A minimal in-process server for the registration tests: its DllRegisterServer leaves a
// marker file named by KV_SERVER_MARKER; its DllUnregisterServer leaves one beside the
// server's own file ("<server>.unregistered"), so a test sees which copy was unregistered,
// after KV_SERVER_UNREGISTER_MS milliseconds when that is set (a server slow to unregister).
#include <windows.h>

#include <cstdlib>

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  wchar_t marker[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"KV_SERVER_MARKER", marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return E_FAIL;
  CloseHandle(file);
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  wchar_t delay[16] = {};
  const DWORD delayLength = GetEnvironmentVariableW(L"KV_SERVER_UNREGISTER_MS", delay, 16);
  if (delayLength > 0 && delayLength < 16) Sleep(static_cast<DWORD>(_wtoi(delay)));
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&DllUnregisterServer), &self))
    return E_FAIL;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH - 16);
  if (length == 0 || length >= MAX_PATH - 16) return E_FAIL;
  lstrcatW(path, L".unregistered");
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return E_FAIL;
  CloseHandle(file);
  return S_OK;
}
