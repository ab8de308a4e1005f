#include "ui/form.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/button.h"
#include "ui/control.h"

namespace ui {
namespace {
BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM param) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(param);
  try {
    if (::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) list->push_back(hwnd);
  } catch (...) {
    return FALSE;  // out of memory: no exception may unwind through the system's code
  }
  return TRUE;
}
}  // namespace

Form::~Form() {
  if (registered_) Application::Get().RemoveForm(this);
  Destroy();
}

void Form::Create(const FormStyle& style) {
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  // Shared icons (LR_SHARED): the class keeps them for the life of the program.
  auto icon = [&](int size) {
    return style.iconName ? static_cast<HICON>(::LoadImageW(inst, style.iconName, IMAGE_ICON, size, size, LR_SHARED))
                          : nullptr;
  };
  RegisterOwnClass(style.className.c_str(), CS_DBLCLKS, icon(::GetSystemMetrics(SM_CXICON)),
                   icon(::GetSystemMetrics(SM_CXSMICON)));

  DWORD ws = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
  if (style.systemMenu) ws |= WS_SYSMENU;
  if (style.minimizeBox) ws |= WS_MINIMIZEBOX;
  if (style.maximizeBox) ws |= WS_MAXIMIZEBOX;
  DWORD ex = WS_EX_CONTROLPARENT;
  RECT r{0, 0, style.clientWidth, style.clientHeight};
  ::AdjustWindowRectEx(&r, ws, FALSE, ex);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  int y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;

  color_ = style.color;
  brush_.reset(::CreateSolidBrush(ToColorRef(color_)));
  int height = style.fontHeight;
  if (height == 0) {
    winbase::WindowDc screen(nullptr);
    height = -::MulDiv(style.fontPoints, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
  }
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = style.fontCharset;
  lstrcpynW(lf.lfFaceName, style.fontName.c_str(), LF_FACESIZE);
  font_.reset(::CreateFontIndirectW(&lf));

  Application& app = Application::Get();
  HWND owner = app.MainForm() ? app.MainForm()->Handle() : nullptr;
  app.AddForm(this);
  registered_ = true;
  try {
    CreateOwn(style.className.c_str(), ex, ws, style.caption, x, y, w, h, owner, nullptr);
  } catch (...) {
    app.RemoveForm(this);
    registered_ = false;
    throw;
  }
  // The system may have given the frame other metrics than AdjustWindowRectEx assumed
  // (themes, font sizes): correct the outer size until the client area is exact.
  RECT client{};
  ::GetClientRect(Handle(), &client);
  int dw = style.clientWidth - client.right, dh = style.clientHeight - client.bottom;
  if (dw || dh) {
    w += dw; h += dh;
    ::SetWindowPos(Handle(), nullptr, (::GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                   (::GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Form::Show() {
  if (!Handle()) return;
  ::ShowWindow(Handle(), SW_SHOW);
  ::SetForegroundWindow(Handle());
}

void Form::Hide() {
  if (Handle()) ::ShowWindow(Handle(), SW_HIDE);
}

void Form::Close() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(canClose);
  if (!canClose) return;
  Application& app = Application::Get();
  bool isMain = app.MainForm() == this;
  CloseAction action = isMain ? CloseAction::Free : CloseAction::Hide;
  if (OnClose) OnClose(action);
  if (action == CloseAction::None) return;
  if (inModal_) {
    if (modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
    return;
  }
  if (action == CloseAction::Minimize) {
    ::ShowWindow(Handle(), SW_MINIMIZE);
    return;
  }
  Hide();
  if (isMain) app.Terminate();
}

ModalResult Form::ShowModal() {
  if (!Handle() || inModal_) return ModalResult::Cancel;
  Application& app = Application::Get();
  // The other windows of the program stay disabled while this one is up.
  std::vector<HWND> disabled;
  ::EnumThreadWindows(::GetCurrentThreadId(), &CollectEnabledWindow,
                      reinterpret_cast<LPARAM>(&disabled));
  disabled.erase(std::remove(disabled.begin(), disabled.end(), Handle()), disabled.end());
  for (HWND w : disabled) ::EnableWindow(w, FALSE);

  modalResult_ = ModalResult::None;
  inModal_ = true;
  Show();
  FocusFirstControl();
  while (modalResult_ == ModalResult::None) {
    if (app.Terminated() || !Handle()) { modalResult_ = ModalResult::Cancel; break; }
    MSG msg;
    BOOL r = ::GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0) { app.NoteQuit(static_cast<int>(msg.wParam)); modalResult_ = ModalResult::Cancel; break; }
    if (r == -1) { modalResult_ = ModalResult::Cancel; break; }
    app.DispatchOne(msg);
  }
  // Enable the others before hiding, so the activation goes back to one of them.
  for (HWND w : disabled) if (::IsWindow(w)) ::EnableWindow(w, TRUE);
  Hide();
  inModal_ = false;
  return modalResult_;
}

void Form::SetColor(Color color) {
  color_ = color;
  brush_.reset(::CreateSolidBrush(ToColorRef(color_)));
  Invalidate();
}

int Form::ClientWidth() const {
  RECT r{};
  if (Handle()) ::GetClientRect(Handle(), &r);
  return r.right;
}

int Form::ClientHeight() const {
  RECT r{};
  if (Handle()) ::GetClientRect(Handle(), &r);
  return r.bottom;
}

void Form::RemoveControl(Control* c) noexcept {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
  if (defaultButton_ == c) defaultButton_ = nullptr;
  if (cancelButton_ == c) cancelButton_ = nullptr;
}

Control* Form::ControlFromHandle(HWND hwnd) const noexcept {
  if (!hwnd) return nullptr;
  for (Control* c : controls_) if (c->Handle() == hwnd) return c;
  return nullptr;
}

LRESULT Form::DefaultButtonId() const noexcept {
  // A focused button takes Enter itself, as users expect; otherwise the default button.
  if (auto* focused = dynamic_cast<Button*>(ControlFromHandle(::GetFocus()))) {
    return MAKELRESULT(focused->Id(), DC_HASDEFID);
  }
  if (defaultButton_ && defaultButton_->Enabled()) return MAKELRESULT(defaultButton_->Id(), DC_HASDEFID);
  return 0;
}

void Form::FocusFirstControl() {
  if (lastFocus_ && ::IsWindow(lastFocus_) && ::IsChild(Handle(), lastFocus_)) {
    ::SetFocus(lastFocus_);
    return;
  }
  HWND first = ::GetNextDlgTabItem(Handle(), nullptr, FALSE);
  // A form without focusable controls takes the keys itself.
  ::SetFocus(first ? first : Handle());
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT r;
      ::GetClientRect(Handle(), &r);
      ::FillRect(reinterpret_cast<HDC>(wp), &r, brush_.get());
      return 1;
    }
    case WM_PAINT: {
      PaintScope paint(Handle());
      if (OnPaint) {
        Canvas canvas(paint.Dc());
        OnPaint(canvas);
      }
      return 0;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_.get());
    case WM_SHOWWINDOW:
      if (wp && lp == 0 && OnShow) OnShow();
      break;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(Handle(), focus)) lastFocus_ = focus;
      } else if (!HIWORD(wp)) {
        FocusFirstControl();
        return 0;
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      if (Application::Get().MainForm() == this) Application::Get().Terminate();
      if (inModal_ && modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
      break;
    case DM_GETDEFID:
      return DefaultButtonId();
    case WM_COMMAND: {
      if (Control* c = ControlFromHandle(reinterpret_cast<HWND>(lp))) {
        c->OnCommand(HIWORD(wp));
        return 0;
      }
      if (LOWORD(wp) == IDCANCEL && cancelButton_ && cancelButton_->Enabled()) {
        cancelButton_->Click();
        return 0;
      }
      if (LOWORD(wp) == IDOK && defaultButton_ && defaultButton_->Enabled()) {
        defaultButton_->Click();
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (Control* c = ControlFromHandle(hdr->hwndFrom)) return c->OnNotify(*hdr);
      // Tooltips of a toolbar speak for their toolbar: let each control look.
      for (Control* c : controls_) if (LRESULT r = c->OnNotify(*hdr)) return r;
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (Control* c = ControlFromHandle(reinterpret_cast<HWND>(lp))) {
        if (HBRUSH b = c->OnCtlColor(reinterpret_cast<HDC>(wp))) return reinterpret_cast<LRESULT>(b);
      }
      break;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (Control* c = ControlFromHandle(item->hwndItem)) {
        if (c->OnDrawItem(*item)) return TRUE;
      }
      break;
    }
    default:
      break;
  }
  return DefaultHandler(msg, wp, lp);
}

}  // namespace ui
