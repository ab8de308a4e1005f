// The Wine prefix the tests run in must look like the system the programs are made for.
#include <windows.h>
#include <gtest/gtest.h>

#include "winbase/handles.h"

TEST(WinePrefix, ReportsWindowsXpServicePack3) {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(info.dwMajorVersion, 5u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 2600u);
  EXPECT_STREQ(info.szCSDVersion, L"Service Pack 3");
}

TEST(WinePrefix, UsesRussianCodePages) {
  EXPECT_EQ(GetACP(), 1251u);
  EXPECT_EQ(GetOEMCP(), 866u);
}

TEST(WinePrefix, HasTheStandInLogonHost) {
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(path, MAX_PATH), 0u);
  lstrcatW(path, L"\\logonui.exe");
  HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(100), RT_BITMAP), nullptr);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1000), L"UIFILE"), nullptr);
  FreeLibrary(module);
}

namespace {

// The C library data of the thread under Wine: 32-bit Wine runs Windows code with the Linux
// thread's %gs, whose data begins with a pointer to itself. Nothing on other systems.
const void* UnixThreadData() {
#if defined(__i386__)
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
    const void* self = nullptr;
    __asm__ volatile("movl %%gs:0,%0" : "=r"(self));
    return self;
  }
#endif
  return nullptr;
}

struct Interruption {
  HANDLE target;
  volatile LONG done;
};

DWORD WINAPI SuspendAndResume(void* parameter) {
  auto* interruption = static_cast<Interruption*>(parameter);
  for (int i = 0; i < 3; ++i) {
    SuspendThread(interruption->target);
    ResumeThread(interruption->target);
  }
  InterlockedExchange(&interruption->done, 1);
  return 0;
}

}  // namespace

// Wine interrupts a thread with a signal to suspend it. An emulator that keeps one descriptor
// table for all threads hands the interrupted thread the newest thread's data: its thread block
// (and so its identity and its server connection) and the C library's.
TEST(WinePrefix, AnInterruptedThreadKeepsItsOwnData) {
  HANDLE self = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0,
                              FALSE, DUPLICATE_SAME_ACCESS));
  winbase::KernelHandle ownSelf(self);
  const DWORD id = GetCurrentThreadId();
  const void* block = NtCurrentTeb();
  const void* unixData = UnixThreadData();

  Interruption interruption{self, 0};
  winbase::KernelHandle helper(
      CreateThread(nullptr, 0, SuspendAndResume, &interruption, 0, nullptr));
  ASSERT_TRUE(helper);
  // Busy, not waiting: a thread waiting on the server is not interrupted.
  for (const DWORD end = GetTickCount() + 20000; !interruption.done && GetTickCount() < end;) {
  }
  const DWORD idAfter = GetCurrentThreadId();
  const void* blockAfter = NtCurrentTeb();
  const void* unixDataAfter = UnixThreadData();
  ASSERT_EQ(interruption.done, 1);
  EXPECT_EQ(idAfter, id);
  EXPECT_EQ(blockAfter, block);
  EXPECT_EQ(unixDataAfter, unixData);
  EXPECT_EQ(WaitForSingleObject(helper.get(), 10000), WAIT_OBJECT_0);
}
