#include "ui/button.h"

#include <string>

namespace ui {

Button::Button(Form& parent, std::wstring_view caption, int x, int y, int width, int height)
    : Control(parent) {
  CreateControl(WC_BUTTONW, 0, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, caption, x, y, width, height);
}

void Button::SetGlyph(winbase::BitmapHandle glyph) {
  images_.reset();
  glyph_ = std::move(glyph);
  glyphSize_ = BitmapSize(glyph_.get());
  if (glyph_ && glyphSize_.cx > 0 && glyphSize_.cy > 0) {
    COLORREF transparent = CLR_NONE;
    {
      winbase::MemoryDc mem(::CreateCompatibleDC(nullptr));
      winbase::SelectObjectScope sel(mem.get(), glyph_.get());
      transparent = ::GetPixel(mem.get(), 0, glyphSize_.cy - 1);
    }
    images_.reset(::ImageList_Create(glyphSize_.cx, glyphSize_.cy, ILC_COLOR24 | ILC_MASK, 1, 0));
    // ImageList_AddMasked changes the bitmap it is given: hand it a copy.
    winbase::BitmapHandle copy(
        static_cast<HBITMAP>(::CopyImage(glyph_.get(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (images_ && copy) ::ImageList_AddMasked(images_.get(), copy.get(), transparent);
  }
  LONG style = ::GetWindowLongW(Handle(), GWL_STYLE);
  style = (style & ~BS_TYPEMASK) | (images_ ? BS_OWNERDRAW : BS_PUSHBUTTON);
  ::SendMessageW(Handle(), BM_SETSTYLE, static_cast<WPARAM>(style & 0xFFFF), TRUE);
  Invalidate();
}

void Button::SetDefault(bool isDefault) {
  Parent().SetDefaultButton(isDefault ? this : nullptr);
  if (!images_) {
    ::SendMessageW(Handle(), BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
  Invalidate();
}

void Button::Click() {
  if (modalResult_ != ModalResult::None) Parent().SetModalResult(modalResult_);
  if (OnClick) OnClick();
}

void Button::OnCommand(WORD notifyCode) {
  if (notifyCode == BN_CLICKED) Click();
}

bool Button::OnDrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool pushed = (item.itemState & ODS_SELECTED) != 0;
  bool focused = (item.itemState & ODS_FOCUS) != 0;
  bool disabled = (item.itemState & ODS_DISABLED) != 0;
  // The default look follows the button Enter would press now.
  bool otherButtonFocused = dynamic_cast<Button*>(Window::FromHandle(::GetFocus())) != nullptr;
  bool isDefault = focused || (!otherButtonFocused && Parent().DefaultButton() == this);

  ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
  if (isDefault) {
    ::FrameRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::InflateRect(&r, -1, -1);
  }
  ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED | DFCS_FLAT : 0));

  std::wstring caption = Text();
  winbase::SelectObjectScope font(
      dc, reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)));
  SIZE textSize{0, 0};
  ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &textSize);
  const int spacing = 4;
  int total = glyphSize_.cx + (caption.empty() ? 0 : spacing + textSize.cx);
  int shift = pushed ? 1 : 0;
  int x = (item.rcItem.left + item.rcItem.right - total) / 2 + shift;
  int cy = (item.rcItem.top + item.rcItem.bottom) / 2 + shift;
  if (images_) {
    ::ImageList_Draw(images_.get(), 0, dc, x, cy - glyphSize_.cy / 2, disabled ? ILD_BLEND50 : ILD_TRANSPARENT);
  }
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  ::TextOutW(dc, x + glyphSize_.cx + spacing, cy - textSize.cy / 2, caption.c_str(),
             static_cast<int>(caption.size()));
  if (focused && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT f = r;
    ::InflateRect(&f, -3, -3);
    ::DrawFocusRect(dc, &f);
  }
  return true;
}

}  // namespace ui
