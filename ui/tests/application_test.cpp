#include <gtest/gtest.h>

#include "ui/application.h"
#include "ui/button.h"
#include "ui/form.h"
#include "ui/resources.h"
#include "ui/timer.h"

namespace {

ui::FormStyle SmallForm(const wchar_t* cls = L"TTestForm") {
  ui::FormStyle s;
  s.className = cls;
  s.caption = L"test";
  s.clientWidth = 200;
  s.clientHeight = 100;
  return s;
}

class ApplicationTest : public ::testing::Test {
protected:
  void SetUp() override { ui::Application::Get().ClearTerminated(); }
  void TearDown() override {
    ui::Application::Get().ProcessPendingMessages();
    ui::Application::Get().ClearTerminated();
  }
};

TEST(DefaultTitle, IsTheFileNameWithoutExtensionRestLowerCased) {
  EXPECT_EQ(ui::Application::DefaultTitle(L"C:\\Program Files\\Korvel\\korvel.exe"), L"korvel");
  EXPECT_EQ(ui::Application::DefaultTitle(L"C:\\APPS\\KORVEL.EXE"), L"Korvel");
  EXPECT_EQ(ui::Application::DefaultTitle(L"C:\\a.b\\Setup"), L"Setup");
  EXPECT_EQ(ui::Application::DefaultTitle(L"C:\\x\\my.tool.exe"), L"my.tool");
  EXPECT_EQ(ui::Application::DefaultTitle(L"ПРОГРАММА.exe"), L"Программа");
}

TEST(StringTable, KeepsCyrillicTextsOfAUtf8Script) {
  EXPECT_EQ(ui::LoadStringResource(100), L"Привет, мир");
  EXPECT_EQ(ui::LoadStringResource(101), L"");
}

TEST_F(ApplicationTest, PendingMessagesAreAllHandledAndAQuitIsOnlyNoted) {
  ui::Form form;
  form.Create(SmallForm());
  int painted = 0;
  form.OnPaint = [&](ui::Canvas&) { ++painted; };
  ::PostMessageW(form.Handle(), WM_NULL, 0, 0);
  ::PostQuitMessage(3);
  // Queued after the quit request: must still be handled by the same call.
  ::InvalidateRect(form.Handle(), nullptr, TRUE);
  ::ShowWindow(form.Handle(), SW_SHOWNA);
  ui::Application::Get().ProcessPendingMessages();
  EXPECT_GE(painted, 1);
  EXPECT_TRUE(ui::Application::Get().Terminated());
  // The noted quit ends the next loop at once instead of waiting for a message.
  EXPECT_EQ(ui::Application::Get().Run(), 3);
}

TEST_F(ApplicationTest, ClosingTheFirstFormEndsTheLoop) {
  ui::Form first, second;
  first.Create(SmallForm());
  second.Create(SmallForm());
  ASSERT_EQ(ui::Application::Get().MainForm(), &first);
  // Closing another form only hides it.
  second.Show();
  ::PostMessageW(second.Handle(), WM_CLOSE, 0, 0);
  ui::Application::Get().ProcessPendingMessages();
  EXPECT_FALSE(second.Visible());
  EXPECT_FALSE(ui::Application::Get().Terminated());

  ui::Timer closer(20, true);
  closer.OnTimer = [&] { ::PostMessageW(first.Handle(), WM_CLOSE, 0, 0); };
  ui::Application::Get().Run();
  EXPECT_TRUE(ui::Application::Get().Terminated());
  EXPECT_FALSE(first.Visible());
}

TEST_F(ApplicationTest, ARefusedStartNeverShowsTheMainForm) {
  ui::Form form;
  form.Create(SmallForm());
  int shown = 0;
  form.OnShow = [&] { ++shown; };
  ui::Application::Get().SetShowMainForm(false);
  ui::Application::Get().Terminate();
  ui::Application::Get().Run();
  ui::Application::Get().SetShowMainForm(true);
  EXPECT_EQ(shown, 0);
}

TEST_F(ApplicationTest, AnExceptionInAHandlerGoesToTheErrorHandler) {
  ui::Form form;
  form.Create(SmallForm());
  ui::Button button(form, L"Go", 10, 10, 80, 25);
  button.OnClick = [] { throw winbase::Error(L"Запись не удалась"); };
  std::wstring shown;
  ui::Application::Get().SetErrorHandler([&](const std::wstring& m) { shown = m; });
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  button.OnClick = [] { throw std::runtime_error("plain"); };
  std::wstring first = shown;
  ::SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  ui::Application::Get().SetErrorHandler(nullptr);
  EXPECT_EQ(first, L"Запись не удалась");
  EXPECT_EQ(shown, L"plain");
}

TEST_F(ApplicationTest, TimerFiresOnlyWhileEnabled) {
  ui::Timer timer(10, false);
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  DWORD until = ::GetTickCount() + 150;
  while (::GetTickCount() < until) { ui::Application::Get().ProcessPendingMessages(); ::Sleep(5); }
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(true);
  until = ::GetTickCount() + 2000;
  while (ticks < 3 && ::GetTickCount() < until) { ui::Application::Get().ProcessPendingMessages(); ::Sleep(5); }
  EXPECT_GE(ticks, 3);
  timer.SetEnabled(false);
  int stopped = ticks;
  until = ::GetTickCount() + 100;
  while (::GetTickCount() < until) { ui::Application::Get().ProcessPendingMessages(); ::Sleep(5); }
  EXPECT_EQ(ticks, stopped);
}

}  // namespace
