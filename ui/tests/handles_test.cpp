#include <gtest/gtest.h>

#include <utility>

#include "ui/handles.h"

namespace {

bool IsOpen(HANDLE h) {
  DWORD flags;
  return ::GetHandleInformation(h, &flags) != FALSE;
}

TEST(Handles, OwnerClosesOnceAndMovesOwnership) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(raw);
  {
    ui::KernelHandle a(raw);
    ui::KernelHandle b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), raw);
    ui::KernelHandle c;
    c = std::move(b);
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

TEST(Handles, ResetClosesTheOldHandleAndReleaseGivesItUp) {
  HANDLE first = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE second = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ui::KernelHandle h(first);
  h.reset(second);
  EXPECT_FALSE(IsOpen(first));
  HANDLE out = h.release();
  EXPECT_FALSE(h);
  EXPECT_TRUE(IsOpen(out));
  ::CloseHandle(out);
}

TEST(Handles, FileOwnerTreatsInvalidHandleValueAsEmpty) {
  ui::FileHandle f(::CreateFileW(L"Z:\\no\\such\\dir\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(f);
  static_assert(!std::is_copy_constructible_v<ui::FileHandle>);
  static_assert(!std::is_copy_assignable_v<ui::RegKey>);
  static_assert(std::is_nothrow_move_constructible_v<ui::BitmapHandle>);
}

}  // namespace
