#include "ui/tool_bar.h"

#include "ui/application.h"
#include "ui/form.h"
#include "winbase/handles.h"

namespace ui {
namespace {
const wchar_t kHostClass[] = L"KvToolBarHost";
}

ToolBar::ToolBar(Form& parent, int x, int y, int width, int height)
    : Control(parent), color_(parent.GetColor()), highlightColor_(parent.GetColor()) {
  RegisterOwnClass(kHostClass, 0, nullptr);
  CreateOwn(kHostClass, 0, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, L"", x, y,
            width, height, parent.Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id())));
  bar_ = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                           WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                               TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE |
                               CCS_NOPARENTALIGN,
                           0, 0, width, height, Handle(), nullptr, ::GetModuleHandleW(nullptr),
                           nullptr);
  if (!bar_) throw winbase::Error(L"Cannot create the toolbar");
  ::SendMessageW(bar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
}

ToolBar::~ToolBar() = default;

void ToolBar::SetImages(const ImageList& images) {
  ::SendMessageW(bar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
  ::SendMessageW(bar_, TB_AUTOSIZE, 0, 0);
}

void ToolBar::SetColor(Color color) {
  color_ = color;
  Invalidate();
  ::InvalidateRect(bar_, nullptr, TRUE);
}

void ToolBar::SetHighlightColor(Color color) {
  highlightColor_ = color;
  ::InvalidateRect(bar_, nullptr, TRUE);
}

void ToolBar::SetSelectedColor(Color color) {
  selectedColor_ = color;
  ::InvalidateRect(bar_, nullptr, TRUE);
}

void ToolBar::SetSpacing(int pixels) {
  TBMETRICS metrics{};
  metrics.cbSize = sizeof metrics;
  metrics.dwMask = TBMF_BUTTONSPACING;
  metrics.cxButtonSpacing = pixels;
  metrics.cyButtonSpacing = pixels;
  ::SendMessageW(bar_, TB_SETMETRICS, 0, reinterpret_cast<LPARAM>(&metrics));
  ::SendMessageW(bar_, TB_AUTOSIZE, 0, 0);
  ::InvalidateRect(bar_, nullptr, TRUE);
}

int ToolBar::AddButton(int imageIndex, std::wstring hint, std::function<void()> onClick) {
  const int index = static_cast<int>(buttons_.size());
  buttons_.push_back({imageIndex, std::move(hint), std::move(onClick)});
  TBBUTTON button{};
  button.iBitmap = imageIndex;
  button.idCommand = kFirstCommand + index;
  button.fsState = TBSTATE_ENABLED;
  button.fsStyle = BTNS_BUTTON;
  button.iString = -1;
  ::SendMessageW(bar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
  return index;
}

void ToolBar::AddSeparator() {
  TBBUTTON separator{};
  separator.fsStyle = BTNS_SEP;
  separator.iString = -1;
  ::SendMessageW(bar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&separator));
}

void ToolBar::SetButtonEnabled(int button, bool enabled) {
  ::SendMessageW(bar_, TB_ENABLEBUTTON, kFirstCommand + button, MAKELONG(enabled ? TRUE : FALSE, 0));
}

bool ToolBar::ButtonEnabled(int button) const {
  return ::SendMessageW(bar_, TB_ISBUTTONENABLED, kFirstCommand + button, 0) != 0;
}

void ToolBar::ClickButton(int button) {
  if (button < 0 || button >= ButtonCount() || !ButtonEnabled(button)) return;
  if (buttons_[button].onClick) buttons_[button].onClick();
}

int ToolBar::ButtonFromCommand(int command) const {
  const int button = command - kFirstCommand;
  return button >= 0 && button < ButtonCount() ? button : -1;
}

// The bar draws the pictures; the backgrounds and frames are ours, so the look is the same
// with or without the system's visual style.
LRESULT ToolBar::CustomDraw(NMTBCUSTOMDRAW& draw) const {
  NMCUSTOMDRAW& item = draw.nmcd;
  switch (item.dwDrawStage) {
    case CDDS_PREPAINT: {
      RECT area;
      ::GetClientRect(bar_, &area);
      winbase::BrushHandle brush(::CreateSolidBrush(ToColorRef(color_)));
      ::FillRect(item.hdc, &area, brush.get());
      return CDRF_NOTIFYITEMDRAW;
    }
    case CDDS_ITEMPREPAINT: {
      const UINT state = item.uItemState;
      const bool enabled = !(state & (CDIS_DISABLED | CDIS_GRAYED));
      const bool pressed = enabled && (state & (CDIS_SELECTED | CDIS_CHECKED));
      const bool hot = enabled && (state & CDIS_HOT);
      if (pressed || hot) {
        winbase::BrushHandle fill(
            ::CreateSolidBrush(ToColorRef(pressed ? selectedColor_ : highlightColor_)));
        ::FillRect(item.hdc, &item.rc, fill.get());
        winbase::BrushHandle frame(::CreateSolidBrush(::GetSysColor(COLOR_HIGHLIGHT)));
        ::FrameRect(item.hdc, &item.rc, frame.get());
      }
      return TBCDRF_NOEDGES | TBCDRF_NOOFFSET | TBCDRF_NOBACKGROUND | TBCDRF_NOMARK;
    }
  }
  return CDRF_DODEFAULT;
}

LRESULT ToolBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lp) == bar_) {
        ClickButton(ButtonFromCommand(LOWORD(wp)));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->code == NM_CUSTOMDRAW && header->hwndFrom == bar_)
        return CustomDraw(*reinterpret_cast<NMTBCUSTOMDRAW*>(lp));
      if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
        const int button = ButtonFromCommand(static_cast<int>(header->idFrom));
        if (button >= 0) info->lpszText = const_cast<wchar_t*>(buttons_[button].hint.c_str());
        return 0;
      }
      break;
    }
    case WM_ERASEBKGND: {
      RECT area;
      ::GetClientRect(Handle(), &area);
      winbase::BrushHandle brush(::CreateSolidBrush(ToColorRef(color_)));
      ::FillRect(reinterpret_cast<HDC>(wp), &area, brush.get());
      return 1;
    }
    case WM_SIZE:
      ::MoveWindow(bar_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      break;
  }
  return DefaultHandler(msg, wp, lp);
}

}  // namespace ui
