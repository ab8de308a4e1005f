// Drives the real korvel.exe (beside this test program) through the test driver.
#include <gtest/gtest.h>

#include <windows.h>

#include "driver.h"
#include "winbase/module_path.h"

namespace {

using kvdriver::WindowQuery;

std::wstring KorvelExe() {
  std::wstring self = winbase::ProgramPath();
  return self.substr(0, self.find_last_of(L'\\') + 1) + L"korvel.exe";
}

WindowQuery MainWindowOf(DWORD pid) {
  WindowQuery q;
  q.className = L"TfrmMain";
  q.processId = pid;
  return q;
}

// Ends every korvel.exe a test started, whatever happened.
class KorvelE2E : public ::testing::Test {
protected:
  kvdriver::Process Start(const std::wstring& args = L"") {
    started_.push_back(kvdriver::Start(KorvelExe(), args));
    return kvdriver::Process(winbase::ProcessHandle(Duplicate(started_.back().Handle())),
                             started_.back().Id());
  }
  void TearDown() override {
    for (auto& p : started_) p.Kill();
  }

private:
  static HANDLE Duplicate(HANDLE h) {
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), h, ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
  }
  std::vector<kvdriver::Process> started_;
};

TEST_F(KorvelE2E, MainWindowOpensWithItsCaptionAndSizeAndClosingEndsTheProgram) {
  auto korvel = Start();
  ASSERT_TRUE(korvel);
  HWND main = kvdriver::WaitForWindow(MainWindowOf(korvel.Id()), 15000);
  ASSERT_TRUE(main);
  EXPECT_EQ(kvdriver::WindowText(main), L"Korvel 2.0");
  SIZE size = kvdriver::ClientSize(main);
  EXPECT_EQ(size.cx, 492);
  EXPECT_EQ(size.cy, 366);
  // The message window exists in every mode but is not shown in this one.
  WindowQuery msg;
  msg.className = L"TfrmMsg";
  msg.processId = korvel.Id();
  msg.visibleOnly = false;
  EXPECT_TRUE(kvdriver::FindTopWindow(msg));
  msg.visibleOnly = true;
  EXPECT_FALSE(kvdriver::FindTopWindow(msg));

  kvdriver::CloseWindow(main);
  auto code = korvel.Wait(10000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
}

TEST_F(KorvelE2E, ASecondStartIsRefusedWithTheWarningAndBringsTheFirstForward) {
  auto first = Start();
  HWND main = kvdriver::WaitForWindow(MainWindowOf(first.Id()), 15000);
  ASSERT_TRUE(main);
  ::ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(::IsIconic(main));

  auto second = Start();
  auto box = kvdriver::WaitForMessageBox(second.Id(), 15000);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, L"korvel");
  EXPECT_EQ(box->text, L"Korvel уже выполняется!");
  EXPECT_EQ(box->buttonIds, std::vector<int>{IDOK});
  EXPECT_FALSE(kvdriver::FindTopWindow(MainWindowOf(second.Id())));
  // Owned by the second instance's own main window, which is never shown: the warning gets no
  // task-bar button of its own.
  const HWND owner = ::GetWindow(box->hwnd, GW_OWNER);
  ASSERT_TRUE(owner) << "the warning has no owner window";
  EXPECT_EQ(kvdriver::ClassName(owner), L"TfrmMain");
  EXPECT_EQ(kvdriver::Describe(owner).processId, second.Id());
  EXPECT_FALSE(::IsWindowVisible(owner));
  EXPECT_FALSE(::GetWindowLongW(box->hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);

  ASSERT_TRUE(kvdriver::AnswerMessageBox(*box, IDOK));
  auto code = second.Wait(10000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  // The first goes on undisturbed, restored from its minimised state.
  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(::IsWindowVisible(main));
  EXPECT_FALSE(::IsIconic(main));
}

TEST_F(KorvelE2E, ARemovalInstanceDoesNotBlockTheMainWindow) {
  auto removal = Start(L"/2");
  // Its window, or the confirmation question it asks first: both carry its caption.
  WindowQuery uninst;
  uninst.caption = L"Korvel --- Uninstall";
  uninst.processId = removal.Id();
  ASSERT_TRUE(kvdriver::WaitForWindow(uninst, 15000));

  auto main = Start();
  EXPECT_TRUE(kvdriver::WaitForWindow(MainWindowOf(main.Id()), 15000));
  EXPECT_FALSE(kvdriver::WaitForMessageBox(main.Id(), 500).has_value());
  EXPECT_TRUE(removal.Running());
}

TEST_F(KorvelE2E, TheSetupModeOpensItsOwnWindow) {
  auto setup = Start(L"/1 /2");
  WindowQuery q;
  q.className = L"TfrmSetup";
  q.processId = setup.Id();
  HWND window = kvdriver::WaitForWindow(q, 15000);
  ASSERT_TRUE(window);
  EXPECT_EQ(kvdriver::WindowText(window), L"Korvel --- Setup");
  SIZE size = kvdriver::ClientSize(window);
  EXPECT_EQ(size.cx, 356);
  EXPECT_EQ(size.cy, 52);
}

}  // namespace
