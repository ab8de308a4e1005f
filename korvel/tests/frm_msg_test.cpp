#include <gtest/gtest.h>

#include <functional>

#include "frm_msg.h"
#include "ui/application.h"
#include "ui/timer.h"

namespace korvel {
namespace {

class FrmMsgTest : public ::testing::Test {
protected:
  void TearDown() override {
    ui::Application::Get().ProcessPendingMessages();
    ui::Application::Get().ClearTerminated();
  }
  // Asks through `ask` while `action` runs from the loop once the window is up.
  bool AskWith(std::function<bool()> ask, std::function<void()> action) {
    ui::Timer t(30, true);
    t.OnTimer = [&] {
      t.SetEnabled(false);
      shownDuringAsk = msg.Visible();
      action();
    };
    return ask();
  }
  TfrmMsg msg;
  bool shownDuringAsk = false;
};

TEST_F(FrmMsgTest, LaysOutTheWindowAndItsControls) {
  RECT client{};
  ::GetClientRect(msg.Handle(), &client);
  EXPECT_EQ(client.right, 287);
  EXPECT_EQ(client.bottom, 176);
  EXPECT_FALSE(::GetWindowLongW(msg.Handle(), GWL_STYLE) & WS_SYSMENU);
  RECT ok = msg.btnOK.Bounds(), cancel = msg.btnCancel.Bounds(), info = msg.labInfo.Bounds();
  EXPECT_EQ(ok.left, 8); EXPECT_EQ(ok.top, 136); EXPECT_EQ(ok.right - ok.left, 89); EXPECT_EQ(ok.bottom - ok.top, 33);
  EXPECT_EQ(cancel.left, 192); EXPECT_EQ(cancel.top, 136);
  EXPECT_EQ(info.left, 56); EXPECT_EQ(info.top, 8); EXPECT_EQ(info.right - info.left, 225); EXPECT_EQ(info.bottom - info.top, 121);
  EXPECT_EQ(msg.btnOK.Text(), L"OK");
  EXPECT_EQ(msg.btnCancel.Text(), L"Отмена");
  // OK comes first in the tab order.
  EXPECT_EQ(::GetNextDlgTabItem(msg.Handle(), nullptr, FALSE), msg.btnOK.Handle());
  EXPECT_FALSE(msg.Visible());
}

TEST_F(FrmMsgTest, EnterAnswersTrueAndTheWindowHides) {
  bool answer = AskWith([&] { return msg.AskMessage(L"Korvel --- Setup", L"Продолжить?", 0); },
                        [] { ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_RETURN, 0); });
  EXPECT_TRUE(shownDuringAsk);
  EXPECT_TRUE(answer);
  EXPECT_FALSE(msg.Visible());
  EXPECT_EQ(msg.Caption(), L"Korvel --- Setup");
  EXPECT_EQ(msg.labInfo.Text(), L"Продолжить?");
  EXPECT_EQ(msg.labInfo.FontColor(), 0u);
  EXPECT_FALSE(msg.labInfo.Bold());
}

TEST_F(FrmMsgTest, CancelOrClosingAnswersFalse) {
  EXPECT_FALSE(AskWith([&] { return msg.AskMessage(L"c", L"t", 255); },
                       [&] { ::PostMessageW(msg.btnCancel.Handle(), BM_CLICK, 0, 0); }));
  EXPECT_FALSE(AskWith([&] { return msg.AskMessage(L"c", L"t", 255); },
                       [&] { ::PostMessageW(msg.Handle(), WM_CLOSE, 0, 0); }));
  EXPECT_TRUE(AskWith([&] { return msg.AskMessage(L"c", L"t", 255); },
                      [&] { ::PostMessageW(msg.btnOK.Handle(), BM_CLICK, 0, 0); }));
  EXPECT_EQ(msg.labInfo.FontColor(), 255u);
}

TEST_F(FrmMsgTest, BoldStaysAndALongTextDoesNotGrowTheWindow) {
  std::wstring longText;
  for (int i = 0; i < 100; ++i) longText += L"Будет произведено удаление Korvel. ";
  AskWith([&] { return msg.AskMessageBold(L"Korvel --- Uninstall", longText, 255); },
          [&] { ::PostMessageW(msg.btnOK.Handle(), BM_CLICK, 0, 0); });
  EXPECT_TRUE(msg.labInfo.Bold());
  RECT client{};
  ::GetClientRect(msg.Handle(), &client);
  EXPECT_EQ(client.bottom, 176);
  RECT info = msg.labInfo.Bounds();
  EXPECT_EQ(info.bottom - info.top, 121);
  AskWith([&] { return msg.AskMessage(L"c", L"t", 0); },
          [&] { ::PostMessageW(msg.btnOK.Handle(), BM_CLICK, 0, 0); });
  EXPECT_TRUE(msg.labInfo.Bold());
}

}  // namespace
}  // namespace korvel
