// The single-instance guard of the main window: the first instance runs, a second is refused
// with the warning while the first lives, and a lock left by an ended instance is free.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "korvel/windows/instance_guard.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/user_prompt.h"
#include "winbase/handles.h"

namespace korvel {
namespace {

// Each test uses its own title so that mutexes of one test never meet another's.
class InstanceGuardTest : public ::testing::Test {
 protected:
  std::wstring Title() const {
    const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return L"kvtest" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
           std::wstring(name, name + std::strlen(name));
  }
};

// Runs f on a thread of its own: mutexes belong to threads, and one thread may take the same
// mutex again, so a second instance is played by another thread.
// A system thread: the shipping compiler's thread model has no std::thread.
template <class F>
auto OnOtherThread(F f) {
  struct Call {
    F& f;
    decltype(f()) result{};
    static DWORD WINAPI Run(void* self) {
      auto* call = static_cast<Call*>(self);
      call->result = call->f();
      return 0;
    }
  } call{f};
  winbase::KernelHandle thread(::CreateThread(nullptr, 0, &Call::Run, &call, 0, nullptr));
  if (thread) {
    ::WaitForSingleObject(thread.get(), INFINITE);
  } else {
    ADD_FAILURE() << "no thread";
  }
  return call.result;
}

TEST_F(InstanceGuardTest, TheFirstInstanceRunsAndASecondIsRefusedWhileItLives) {
  std::wstring title = Title();
  TabfOneInstance first;
  EXPECT_FALSE(first.AnotherInstanceRuns(title));
  EXPECT_TRUE(OnOtherThread([&] {
    TabfOneInstance second;
    return second.AnotherInstanceRuns(title);
  }));
  // The short lock is gone after each check: it never blocks a later one by itself.
  winbase::MutexHandle probe(
      ::CreateMutexW(nullptr, FALSE, TabfOneInstance::ShortLockName(title).c_str()));
  EXPECT_NE(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}

TEST_F(InstanceGuardTest, AStartDuringAnotherStartsCheckIsRefused) {
  std::wstring title = Title();
  // Another instance is in the middle of its check: it holds the short lock.
  winbase::MutexHandle busy(
      ::CreateMutexW(nullptr, TRUE, TabfOneInstance::ShortLockName(title).c_str()));
  ASSERT_TRUE(busy);
  EXPECT_TRUE(OnOtherThread([&] {
    TabfOneInstance second;
    return second.AnotherInstanceRuns(title);
  }));
}

TEST_F(InstanceGuardTest, AnAbandonedInstanceLockCountsAsFree) {
  std::wstring title = Title();
  std::wstring lockName = TabfOneInstance::InstanceLockName(title);
  // A "crashed" instance: takes the lock and its thread ends without releasing it.
  OnOtherThread([&] {
    HANDLE h = ::CreateMutexW(nullptr, FALSE, lockName.c_str());
    ::WaitForSingleObject(h, 0);
    (void)h;  // left open and owned on purpose
    return 0;
  });
  TabfOneInstance next;
  EXPECT_FALSE(next.AnotherInstanceRuns(title));
}

TEST_F(InstanceGuardTest, ALockEndsWithItsOwner) {
  std::wstring title = Title();
  {
    TabfOneInstance first;
    ASSERT_FALSE(first.AnotherInstanceRuns(title));
  }
  EXPECT_FALSE(OnOtherThread([&] {
    TabfOneInstance again;
    return again.AnotherInstanceRuns(title);
  }));
}

TEST_F(InstanceGuardTest, ARefusedStartWarnsWithTheTitleAndEndsTheApplication) {
  ui::Application& app = ui::Application::Get();
  std::wstring savedTitle = app.Title();
  app.SetTitle(Title());
  TabfOneInstance first;
  ASSERT_FALSE(first.AnotherInstanceRuns(app.Title()));

  // The refused instance's own main window, created but never shown.
  ui::FormStyle style;
  style.className = L"TfrmMainRefused";
  style.clientWidth = 100;
  style.clientHeight = 80;
  ui::Form hiddenMain(style);

  ui::ScriptedPrompt prompt;
  prompt.AnswerBox(IDOK);
  bool goesOn = OnOtherThread([&] {
    TabfOneInstance second;
    second.Message = L"Korvel уже выполняется!";
    second.ShowMessage = true;
    return second.Loaded(app, prompt, hiddenMain.Handle());
  });
  EXPECT_FALSE(goesOn);
  EXPECT_TRUE(app.Terminated());
  EXPECT_FALSE(app.ShowMainForm());
  ASSERT_EQ(prompt.Asked().size(), 1u);
  EXPECT_EQ(prompt.Asked()[0].text, L"Korvel уже выполняется!");
  EXPECT_EQ(prompt.Asked()[0].caption, app.Title());
  EXPECT_EQ(prompt.Asked()[0].flags, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  // Owned by that window, so the warning has no task-bar button of its own.
  EXPECT_EQ(prompt.Asked()[0].owner, hiddenMain.Handle());

  // A handler that clears the terminate flag lets start-up go on, showing restored.
  app.ClearTerminated();
  app.SetShowMainForm(true);
  bool third = OnOtherThread([&] {
    TabfOneInstance guard;
    guard.OnShowMessage = [](TabfOneInstance&, bool& terminate) { terminate = false; };
    return guard.Loaded(app, prompt, hiddenMain.Handle());
  });
  EXPECT_TRUE(third);
  EXPECT_FALSE(app.Terminated());
  EXPECT_TRUE(app.ShowMainForm());
  EXPECT_EQ(prompt.Asked().size(), 1u);
  MSG m;
  while (::PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  app.ClearTerminated();
  app.SetTitle(savedTitle);
}

TEST(BringForward, RestoresTheRunningInstancesMinimisedWindowFoundByClass) {
  ui::FormStyle s;
  s.className = L"TfrmMainProbe";
  s.clientWidth = 100;
  s.clientHeight = 80;
  s.minimizeBox = true;
  ui::Form running(s);
  running.Show();
  ::ShowWindow(running.Handle(), SW_MINIMIZE);
  ui::Application::Get().ProcessPendingMessages();
  ASSERT_TRUE(::IsIconic(running.Handle()));
  // Its own windows are skipped: as seen from this process nothing is found.
  EXPECT_FALSE(TabfOneInstance::BringForward(L"TfrmMainProbe", ::GetCurrentProcessId()));
  EXPECT_TRUE(::IsIconic(running.Handle()));
  // As seen from another process it is found and restored.
  EXPECT_TRUE(TabfOneInstance::BringForward(L"TfrmMainProbe", 0));
  ui::Application::Get().ProcessPendingMessages();
  EXPECT_FALSE(::IsIconic(running.Handle()));
  EXPECT_FALSE(TabfOneInstance::BringForward(L"NoSuchClassAnywhere", 0));
  ui::Application::Get().ProcessPendingMessages();
  ui::Application::Get().ClearTerminated();
}

}  // namespace
}  // namespace korvel
