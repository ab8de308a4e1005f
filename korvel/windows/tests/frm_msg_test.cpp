#include <gtest/gtest.h>

#include <functional>

#include "korvel/windows/frm_msg.h"
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

TEST_F(FrmMsgTest, EnterAnswersTrueAndTheWindowHides) {
  EXPECT_FALSE(msg.Visible());  // created with every mode, shown only when asked
  // Enter goes to OK even before the focus moves: it comes first in the tab order.
  EXPECT_EQ(::GetNextDlgTabItem(msg.Handle(), nullptr, FALSE), msg.btnOK.Handle());
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

// Without a system menu the caption offers no way out but the two buttons.
TEST_F(FrmMsgTest, CancelOrClosingAnswersFalse) {
  EXPECT_FALSE(::GetWindowLongW(msg.Handle(), GWL_STYLE) & WS_SYSMENU);
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
