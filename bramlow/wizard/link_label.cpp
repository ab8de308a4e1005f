#include "bramlow/wizard/link_label.h"

#include <string>

#include "ui/form.h"

namespace bramlow {
namespace {
constexpr COLORREF kLinkBlue = RGB(0, 0, 255);
constexpr COLORREF kLinkRed = RGB(255, 0, 0);
}  // namespace

void FitLabelToText(ui::Label& label, int maxWidth) {
  HWND h = label.Handle();
  if (!h) return;
  std::wstring text = label.Text();
  winbase::WindowDc dc(h);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0));
  winbase::SelectObjectScope select(dc.get(), font);
  SIZE size{0, 0};
  ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  if (size.cy == 0) {
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.get(), &metrics);
    size.cy = metrics.tmHeight;
  }
  int width = size.cx + 1;
  if (maxWidth > 0 && width > maxWidth) width = maxWidth;
  RECT r = label.Bounds();
  label.SetBounds(r.left, r.top, width, size.cy);
}

LinkLabel::LinkLabel(ui::Form& parent, int x, int y)
    : ui::Label(parent, L"", x, y, 0, 0, false), x_(x), y_(y) {
  // Clicks reach a static control only with SS_NOTIFY.
  LONG style = ::GetWindowLongW(Handle(), GWL_STYLE);
  ::SetWindowLongW(Handle(), GWL_STYLE, style | SS_NOTIFY);
  ApplyFont();
}

void LinkLabel::SetBackground(HBRUSH brush, POINT patternOffset) {
  background_ = brush;
  patternOffset_ = patternOffset;
  Invalidate();
}

void LinkLabel::SetCaption(std::wstring_view text) {
  SetText(text);
  FitToText();
}

void LinkLabel::ApplyFont() {
  LOGFONTW lf{};
  ::GetObjectW(Parent().Font(), sizeof lf, &lf);
  lf.lfWeight = FW_BOLD;
  lf.lfUnderline = hot_ ? TRUE : FALSE;
  winbase::FontHandle font(::CreateFontIndirectW(&lf));
  ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  font_ = std::move(font);
  SetFontColor(hot_ ? kLinkRed : kLinkBlue);
}

void LinkLabel::FitToText() {
  FitLabelToText(*this);
  RECT r = Bounds();
  if (r.left != x_ || r.top != y_) SetBounds(x_, y_, r.right - r.left, r.bottom - r.top);
}

void LinkLabel::SetHot(bool hot) {
  if (hot == hot_) return;
  hot_ = hot;
  ApplyFont();
  FitToText();
  Invalidate();
}

HBRUSH LinkLabel::OnCtlColor(HDC dc) {
  ::SetTextColor(dc, ui::ToColorRef(FontColor()));
  ::SetBkMode(dc, TRANSPARENT);
  if (!background_) return ui::Label::OnCtlColor(dc);
  ::SetBrushOrgEx(dc, -patternOffset_.x, -patternOffset_.y, nullptr);
  return background_;
}

void LinkLabel::OnCommand(WORD notifyCode) {
  if (notifyCode == STN_CLICKED && OnClick) OnClick();
}

LRESULT LinkLabel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE:
      if (!hot_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
        ::TrackMouseEvent(&track);
        SetHot(true);
      }
      break;
    case WM_MOUSELEAVE:
      SetHot(false);
      break;
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    default:
      break;
  }
  return ui::Label::HandleMessage(msg, wp, lp);
}

}  // namespace bramlow
