#include <gtest/gtest.h>

#include <functional>

#include "ui/application.h"
#include "ui/button.h"
#include "ui/form.h"
#include "ui/label.h"
#include "ui/progress_bar.h"
#include "ui/timer.h"

namespace {

// A question form like the programs' own: two buttons, OK the default.
ui::FormStyle QuestionStyle() {
  ui::FormStyle s;
  s.className = L"TTestQuestion";
  s.caption = L"Вопрос";
  s.clientWidth = 287;
  s.clientHeight = 176;
  s.systemMenu = false;
  s.color = ui::kWhite;
  return s;
}

struct QuestionForm : ui::Form {
  QuestionForm() : ui::Form(QuestionStyle()) {
    ok.SetModalResult(ui::ModalResult::Ok);
    ok.SetDefault(true);
    cancel.SetModalResult(ui::ModalResult::Cancel);
  }
  ui::Button ok{*this, L"OK", 8, 136, 89, 33};
  ui::Button cancel{*this, L"Отмена", 192, 136, 89, 33};
};

class FormTest : public ::testing::Test {
protected:
  void SetUp() override { ui::Application::Get().ClearTerminated(); }
  void TearDown() override {
    ui::Application::Get().ProcessPendingMessages();
    ui::Application::Get().ClearTerminated();
  }
  // Runs `action` from the message loop shortly after the modal form is up.
  ui::ModalResult ModalWith(ui::Form& form, std::function<void()> action) {
    ui::Timer t(30, true);
    t.OnTimer = [&] { t.SetEnabled(false); action(); };
    return form.ShowModal();
  }
};

TEST_F(FormTest, HasTheExactClientSizeAFixedBorderAndIsCentred) {
  QuestionForm form;
  RECT client{}, outer{};
  ::GetClientRect(form.Handle(), &client);
  ::GetWindowRect(form.Handle(), &outer);
  EXPECT_EQ(client.right, 287);
  EXPECT_EQ(client.bottom, 176);
  LONG style = ::GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  int cx = (outer.left + outer.right) / 2, cy = (outer.top + outer.bottom) / 2;
  EXPECT_NEAR(cx, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR(cy, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  EXPECT_EQ(form.Caption(), L"Вопрос");
}

TEST_F(FormTest, ModalResultComesFromTheButtonPressed) {
  QuestionForm form;
  EXPECT_EQ(ModalWith(form, [&] { ::PostMessageW(form.cancel.Handle(), BM_CLICK, 0, 0); }),
            ui::ModalResult::Cancel);
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(ModalWith(form, [&] { ::PostMessageW(form.ok.Handle(), BM_CLICK, 0, 0); }),
            ui::ModalResult::Ok);
}

TEST_F(FormTest, EnterPressesTheDefaultButtonOrTheFocusedOne) {
  QuestionForm form;
  auto enter = [] { ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_RETURN, 0); };
  EXPECT_EQ(ModalWith(form, enter), ui::ModalResult::Ok);
  EXPECT_EQ(ModalWith(form, [&] { form.cancel.SetFocus(); enter(); }), ui::ModalResult::Cancel);
}

TEST_F(FormTest, ClosingAModalFormGivesCancelAndOtherWindowsComeBack) {
  ui::Form owner;
  ui::FormStyle s;
  s.className = L"TTestOwner";
  s.clientWidth = 100;
  s.clientHeight = 100;
  owner.Create(s);
  owner.Show();
  QuestionForm form;
  bool ownerDisabledDuringModal = false;
  EXPECT_EQ(ModalWith(form, [&] {
              ownerDisabledDuringModal = !::IsWindowEnabled(owner.Handle());
              ::PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
            }),
            ui::ModalResult::Cancel);
  EXPECT_TRUE(ownerDisabledDuringModal);
  EXPECT_TRUE(::IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(ui::Application::Get().Terminated());
}

TEST_F(FormTest, CloseQueryCanRefuseAndTheMainFormsCloseEndsTheProgram) {
  ui::Form form;
  ui::FormStyle s;
  s.className = L"TTestMain";
  s.clientWidth = 100;
  s.clientHeight = 100;
  form.Create(s);
  ASSERT_EQ(ui::Application::Get().MainForm(), &form);
  bool allow = false;
  form.OnCloseQuery = [&](bool& canClose) { canClose = allow; };
  form.Show();
  form.Close();
  EXPECT_TRUE(form.Visible());
  EXPECT_FALSE(ui::Application::Get().Terminated());
  allow = true;
  form.Close();
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(ui::Application::Get().Terminated());
}

TEST_F(FormTest, LabelKeepsItsSizeAndTakesColourAndBold) {
  QuestionForm form;
  ui::Label label(form, std::wstring(2000, L'ж'), 56, 8, 225, 121);
  RECT r = label.Bounds();
  EXPECT_EQ(r.right - r.left, 225);
  EXPECT_EQ(r.bottom - r.top, 121);
  EXPECT_EQ(::GetWindowLongW(label.Handle(), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
  label.SetFontColor(RGB(255, 0, 0));
  label.SetBold(true);
  LOGFONTW lf{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(label.Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  // The colour reaches the control's drawing.
  HDC dc = ::GetDC(label.Handle());
  ::SendMessageW(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(label.Handle()));
  EXPECT_EQ(::GetTextColor(dc), RGB(255, 0, 0));
  ::ReleaseDC(label.Handle(), dc);
}

TEST_F(FormTest, ProgressBarStaysInItsRange) {
  QuestionForm form;
  ui::ProgressBar bar(form, 56, 24, 289, 17);
  bar.StepBy(150);
  EXPECT_EQ(bar.Position(), 100);
  EXPECT_EQ(::SendMessageW(bar.Handle(), PBM_GETPOS, 0, 0), 100);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.Position(), 0);
}

}  // namespace
