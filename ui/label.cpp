#include "ui/label.h"

#include "ui/form.h"

namespace ui {

Label::Label(Form& parent, std::wstring_view text, int x, int y, int width, int height, bool wordWrap)
    : Control(parent) {
  CreateControl(WC_STATICW, 0, WS_VISIBLE | SS_NOPREFIX | (wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP),
                text, x, y, width, height);
}

void Label::SetFontColor(Color color) {
  color_ = color;
  Invalidate();
}

void Label::SetBold(bool bold) {
  bold_ = bold;
  HFONT font = Parent().Font();
  if (bold) {
    LOGFONTW lf{};
    ::GetObjectW(Parent().Font(), sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    boldFont_.reset(::CreateFontIndirectW(&lf));
    font = boldFont_.get();
  }
  ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (!bold) boldFont_.reset();
}

void Label::SetWordWrap(bool wrap) {
  LONG style = ::GetWindowLongW(Handle(), GWL_STYLE);
  style = (style & ~SS_TYPEMASK) | (wrap ? SS_LEFT : SS_LEFTNOWORDWRAP);
  ::SetWindowLongW(Handle(), GWL_STYLE, style);
  Invalidate();
}

HBRUSH Label::OnCtlColor(HDC dc) {
  ::SetTextColor(dc, ToColorRef(color_));
  ::SetBkColor(dc, ToColorRef(Parent().GetColor()));
  return Parent().BackgroundBrush();
}

}  // namespace ui
