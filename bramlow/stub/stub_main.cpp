// The one-file setup's program: the stub in front of a kit's payload. It takes the current
// folder out of the DLL search path before anything else (it is run from download folders,
// where anyone may have left a DLL), imports nothing but DLLs the system always loads from
// its own folder, and loads nothing by a bare name.
#include <windows.h>

#include <string>

#include "bramlow/stub/setup_unpack.h"

namespace {

void KeepDownloadsOutOfTheDllSearch() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return;
  // XP SP1 and later: the current folder is no longer searched.
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
  if (auto setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
          reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDllDirectoryW")))) {
    setDllDirectory(L"");
  }
  // Where the system has it (Windows 7 with its update and later): only the system folder,
  // not the program's own either, for anything loaded later on.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
          reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")))) {
    setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */);
  }
}

int StubMain() {
  wchar_t path[32768];
  const DWORD length = GetModuleFileNameW(nullptr, path, 32768);
  if (!length || length >= 32768) return 1;
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD tempLength = GetTempPathW(MAX_PATH + 1, temp);
  bramlow::OneFileSetup setup;
  setup.program.assign(path, length);
  setup.commandLine = bramlow::ArgumentsOf(GetCommandLineW());
  setup.tempFolder.assign(temp, tempLength <= MAX_PATH ? tempLength : 0);
  try {
    return bramlow::RunOneFileSetup(setup);
  } catch (...) {
    // Out of memory: nothing sensible is left to say.
    return 1;
  }
}

}  // namespace

#ifdef KV_STUB_NO_CRT
// The shipping stub starts here, without the C runtime's start-up (which would load the
// runtime's DLL by its bare name): the DLL search first, then the program's constructors. The
// system calls it with the stack aligned to 4 bytes; the code below expects 16 (as the
// runtime's start-up would have aligned it), for the SSE data on its stack.
extern "C" void __main();
extern "C" __attribute__((force_align_arg_pointer)) void __stdcall StubEntry() {
  KeepDownloadsOutOfTheDllSearch();
  __main();
  ExitProcess(static_cast<UINT>(StubMain()));
}
#else
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  KeepDownloadsOutOfTheDllSearch();
  return StubMain();
}
#endif
