// Started by the action and uninstaller tests: writes what it was given (command line,
// working folder, show state) and which file it was started from to the file named by
// KV_PROBE_OUT, then optionally stays alive KV_PROBE_SLEEP ms, and leaves an empty
// "<KV_PROBE_OUT>.end" as it ends.
#include <windows.h>

#include <string>

namespace {
std::wstring Env(const wchar_t* name) {
  wchar_t buffer[MAX_PATH * 2] = {};
  const DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
  return length > 0 && length < MAX_PATH * 2 ? std::wstring(buffer, length) : std::wstring();
}

void WriteUtf16(HANDLE file, const std::wstring& text) {
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring out = Env(L"KV_PROBE_OUT");
  if (!out.empty()) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring report = std::wstring(L"cmdline=") + GetCommandLineW() + L"\ncwd=" + folder +
                                L"\nflags=" + std::to_wstring(startup.dwFlags) +
                                L"\nshow=" + std::to_wstring(startup.wShowWindow) +
                                L"\nmodule=" + module + L"\n";
    // Written under a temporary name and renamed, so a reader never sees half a report.
    const std::wstring partial = out + L".part";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      WriteUtf16(file, report);
      CloseHandle(file);
      MoveFileExW(partial.c_str(), out.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
  }
  const std::wstring sleep = Env(L"KV_PROBE_SLEEP");
  if (!sleep.empty()) Sleep(static_cast<DWORD>(_wtoi(sleep.c_str())));
  if (!out.empty()) {
    HANDLE end = CreateFileW((out + L".end").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (end != INVALID_HANDLE_VALUE) CloseHandle(end);
  }
  return 0;
}
