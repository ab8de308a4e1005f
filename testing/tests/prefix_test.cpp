// The Wine prefix the tests run in must look like the system the programs are made for.
#include <windows.h>
#include <gtest/gtest.h>

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
