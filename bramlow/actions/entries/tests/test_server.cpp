// A minimal in-process server for the registration tests: its DllRegisterServer leaves a
// marker file named by KV_SERVER_MARKER, holding the error mode of the process that loaded it
// ("errormode=N"), so a test sees how the installer runs; its DllUnregisterServer leaves one beside
// the server's own file ("<server>.unregistered"), so a test sees which copy was unregistered,
// after KV_SERVER_UNREGISTER_MS milliseconds when that is set (a server slow to unregister); it
// fails without a marker while KV_SERVER_UNREGISTER_FAILS is set.
#include <windows.h>

#include <cstdlib>

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  wchar_t marker[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"KV_SERVER_MARKER", marker, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return E_FAIL;
  // The mode is read by setting it, and set back at once.
  const UINT mode = SetErrorMode(0);
  SetErrorMode(mode);
  char text[32] = "errormode=";
  char digits[12];
  int count = 0;
  for (UINT rest = mode; count == 0 || rest != 0; rest /= 10)
    digits[count++] = static_cast<char>('0' + rest % 10);
  int used = 10;
  while (count > 0) text[used++] = digits[--count];
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(used), &written, nullptr);
  CloseHandle(file);
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  wchar_t delay[16] = {};
  const DWORD delayLength = GetEnvironmentVariableW(L"KV_SERVER_UNREGISTER_MS", delay, 16);
  if (delayLength > 0 && delayLength < 16) Sleep(static_cast<DWORD>(_wtoi(delay)));
  if (GetEnvironmentVariableW(L"KV_SERVER_UNREGISTER_FAILS", delay, 16) > 0) return E_FAIL;
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
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
