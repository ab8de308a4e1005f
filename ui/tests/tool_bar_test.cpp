// The toolbar's own drawing: what the bar, a button under the mouse and a pressed button look
// like, read back from the screen.
#include <gtest/gtest.h>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/image_list.h"
#include "ui/tool_bar.h"
#include "winbase/handles.h"

namespace {

constexpr COLORREF kMask = RGB(255, 0, 255);
constexpr ui::Color kUnused = RGB(231, 236, 244);
constexpr ui::Color kHighlight = RGB(200, 40, 40);  // apart from the bar, to tell them apart

ui::FormStyle BarForm() {
  ui::FormStyle s;
  s.className = L"TTestToolBar";
  s.caption = L"toolbar";
  s.clientWidth = 300;
  s.clientHeight = 60;
  return s;
}

// Three 24 x 24 pictures: a small square in the middle of a transparent field.
winbase::BitmapHandle PictureStrip() {
  winbase::WindowDc screen(nullptr);
  winbase::MemoryDc dc(::CreateCompatibleDC(screen.get()));
  winbase::BitmapHandle strip(::CreateCompatibleBitmap(screen.get(), 72, 24));
  winbase::SelectObjectScope select(dc.get(), strip.get());
  RECT all{0, 0, 72, 24};
  winbase::BrushHandle mask(::CreateSolidBrush(kMask));
  ::FillRect(dc.get(), &all, mask.get());
  winbase::BrushHandle ink(::CreateSolidBrush(RGB(0, 0, 128)));
  for (int i = 0; i < 3; ++i) {
    RECT square{i * 24 + 9, 9, i * 24 + 15, 15};
    ::FillRect(dc.get(), &square, ink.get());
  }
  return strip;
}

class ToolBarTest : public ::testing::Test {
protected:
  void SetUp() override {
    ui::Application::Get().ClearTerminated();
    images.AddMasked(PictureStrip().get(), kMask);
    bar.SetImages(images);
    bar.SetColor(kUnused);
    bar.SetHighlightColor(kHighlight);
    bar.SetSelectedColor(ui::kButtonFace);
    bar.SetSpacing(0);
    for (int i = 0; i < 3; ++i) bar.AddButton(i, L"button " + std::to_wstring(i), [this, i] { clicked = i; });
    form.Show();
    Settle();
  }
  void TearDown() override {
    ui::Application::Get().ProcessPendingMessages();
    ui::Application::Get().ClearTerminated();
  }

  void Settle() {
    ::RedrawWindow(bar.BarHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ui::Application::Get().ProcessPendingMessages();
  }
  RECT ButtonRect(int button) const {
    RECT r{};
    ::SendMessageW(bar.BarHandle(), TB_GETITEMRECT, button, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  COLORREF Pixel(int x, int y) const {
    winbase::WindowDc dc(bar.BarHandle());
    return ::GetPixel(dc.get(), x, y);
  }

  ui::Form form{BarForm()};
  ui::ImageList images{24, 24};
  ui::ToolBar bar{form, 0, 0, 300, 34};
  int clicked = -1;
};

TEST_F(ToolBarTest, ButtonsTouchAndTheBarShowsItsColourAroundThem) {
  const RECT first = ButtonRect(0), second = ButtonRect(1), third = ButtonRect(2);
  EXPECT_EQ(first.right, second.left);
  EXPECT_EQ(second.right, third.left);
  EXPECT_EQ(Pixel(third.right + 10, 5), ui::ToColorRef(kUnused));
  EXPECT_EQ(Pixel(first.left + 2, first.top + 2), ui::ToColorRef(kUnused));  // a plain button
}

TEST_F(ToolBarTest, TheButtonUnderTheMouseIsFilledWithTheHighlightAndFramed) {
  ::SendMessageW(bar.BarHandle(), TB_SETHOTITEM, 1, 0);
  Settle();
  const RECT hot = ButtonRect(1);
  EXPECT_EQ(Pixel(hot.left + 2, hot.top + 2), ui::ToColorRef(kHighlight));
  EXPECT_EQ(Pixel(hot.left, hot.top), ::GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(Pixel(ButtonRect(0).left + 2, 5), ui::ToColorRef(kUnused));
}

TEST_F(ToolBarTest, AButtonHeldDownIsFilledWithTheSelectedColour) {
  const RECT button = ButtonRect(2);
  const LPARAM middle = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  ::SendMessageW(bar.BarHandle(), WM_LBUTTONDOWN, MK_LBUTTON, middle);
  Settle();
  EXPECT_EQ(Pixel(button.left + 2, button.top + 2), ::GetSysColor(COLOR_BTNFACE));
  ::SendMessageW(bar.BarHandle(), WM_LBUTTONUP, 0, middle);
  ui::Application::Get().ProcessPendingMessages();
  EXPECT_EQ(clicked, 2);

  // A disabled button neither lights up nor answers.
  clicked = -1;
  bar.SetButtonEnabled(2, false);
  ::SendMessageW(bar.BarHandle(), WM_LBUTTONDOWN, MK_LBUTTON, middle);
  Settle();
  EXPECT_EQ(Pixel(button.left + 2, button.top + 2), ui::ToColorRef(kUnused));
  ::SendMessageW(bar.BarHandle(), WM_LBUTTONUP, 0, middle);
  ui::Application::Get().ProcessPendingMessages();
  EXPECT_EQ(clicked, -1);
}

}  // namespace
