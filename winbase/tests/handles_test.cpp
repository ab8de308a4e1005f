#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <utility>

#include "winbase/handles.h"

namespace {

bool IsOpen(HANDLE h) {
  DWORD flags;
  return ::GetHandleInformation(h, &flags) != FALSE;
}

TEST(Handles, OwnerClosesOnceAndMovesOwnership) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(raw);
  {
    winbase::KernelHandle a(raw);
    winbase::KernelHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
    winbase::KernelHandle c;
    c = std::move(b);
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

TEST(Handles, ResetClosesTheOldHandleAndReleaseGivesItUp) {
  HANDLE first = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE second = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  winbase::KernelHandle h(first);
  h.reset(second);
  EXPECT_FALSE(IsOpen(first));
  HANDLE out = h.release();
  EXPECT_FALSE(h);
  EXPECT_TRUE(IsOpen(out));
  ::CloseHandle(out);
}

TEST(Handles, FileOwnerTreatsInvalidHandleValueAsEmpty) {
  winbase::FileHandle f(::CreateFileW(L"Z:\\no\\such\\dir\\file", GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(f);
  static_assert(!std::is_copy_constructible_v<winbase::FileHandle>);
  static_assert(!std::is_copy_assignable_v<winbase::RegKey>);
  static_assert(std::is_nothrow_move_constructible_v<winbase::BitmapHandle>);
}

TEST(Handles, LocalMemoryIsFreedAndAnUncommittedResourceUpdateLeavesTheFileAlone) {
  int count = 0;
  winbase::LocalMemory<wchar_t*> args(::CommandLineToArgvW(L"a.exe \"b c\"", &count));
  ASSERT_TRUE(args);
  EXPECT_EQ(count, 2);
  EXPECT_STREQ(args.get()[1], L"b c");
  winbase::LocalMemory<wchar_t*> moved(std::move(args));
  EXPECT_FALSE(args);
  EXPECT_STREQ(moved.get()[0], L"a.exe");

  winbase::ResourceUpdate none;
  EXPECT_FALSE(none);
  winbase::ResourceUpdate missing(::BeginUpdateResourceW(L"Z:\\no\\such\\file.exe", FALSE));
  EXPECT_FALSE(missing);
}

}  // namespace
