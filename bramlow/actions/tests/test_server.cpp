// A minimal in-process server for the registration tests: its DllRegisterServer leaves a
// marker file named by KV_SERVER_MARKER.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  wchar_t marker[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"KV_SERVER_MARKER", marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return E_FAIL;
  CloseHandle(file);
  return S_OK;
}
