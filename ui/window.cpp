#include "ui/window.h"

#include "ui/application.h"

namespace ui {
namespace {
const wchar_t kObjectProp[] = L"KvUi.Object";
}

Window::~Window() { Destroy(); }

Window* Window::FromHandle(HWND hwnd) noexcept {
  if (!hwnd) return nullptr;
  return static_cast<Window*>(::GetPropW(hwnd, kObjectProp));
}

void Window::Destroy() {
  if (hwnd_) {
    HWND h = hwnd_;
    ::DestroyWindow(h);
    // A window of another thread cannot be destroyed from here; forget it all the same.
    if (hwnd_ == h) Detach();
  }
}

std::wstring Window::Text() const {
  if (!hwnd_) return {};
  int n = ::GetWindowTextLengthW(hwnd_);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = ::GetWindowTextW(hwnd_, s.data(), n + 1);
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

void Window::SetText(std::wstring_view text) {
  std::wstring s(text);
  if (hwnd_) ::SetWindowTextW(hwnd_, s.c_str());
}

void Window::SetBounds(int x, int y, int width, int height) {
  if (hwnd_) ::MoveWindow(hwnd_, x, y, width, height, TRUE);
}

RECT Window::Bounds() const {
  RECT r{};
  if (!hwnd_) return r;
  ::GetWindowRect(hwnd_, &r);
  HWND parent = ::GetParent(hwnd_);
  if (parent && (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD)) {
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  return r;
}

void Window::SetVisible(bool visible) {
  if (hwnd_) ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}
bool Window::Visible() const { return hwnd_ && ::IsWindowVisible(hwnd_); }
void Window::SetEnabled(bool enabled) { if (hwnd_) ::EnableWindow(hwnd_, enabled); }
bool Window::Enabled() const { return hwnd_ && ::IsWindowEnabled(hwnd_); }
void Window::Invalidate(bool erase) { if (hwnd_) ::InvalidateRect(hwnd_, nullptr, erase); }
void Window::SetFocus() { if (hwnd_) ::SetFocus(hwnd_); }

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefaultHandler(msg, wp, lp); }

LRESULT Window::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
  if (previous_) return ::CallWindowProcW(previous_, hwnd_, msg, wp, lp);
  return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

void Window::RegisterOwnClass(const wchar_t* className, UINT classStyle, HICON icon,
                              HICON smallIcon) {
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (::GetClassInfoExW(inst, className, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = classStyle;
  wc.lpfnWndProc = &Window::Trampoline;
  wc.hInstance = inst;
  wc.hIcon = icon;
  wc.hIconSm = smallIcon;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // forms erase their own background in their colour
  wc.lpszClassName = className;
  if (!::RegisterClassExW(&wc))
    throw winbase::Error(L"Cannot register the window class " + std::wstring(className));
}

void Window::CreateOwn(const wchar_t* className, DWORD exStyle, DWORD style,
                       std::wstring_view text, int x, int y, int width, int height, HWND parent,
                       HMENU menuOrId) {
  std::wstring caption(text);
  HWND h = ::CreateWindowExW(exStyle, className, caption.c_str(), style, x, y, width, height,
                             parent, menuOrId, ::GetModuleHandleW(nullptr), this);
  if (!h) throw winbase::Error(L"Cannot create a window of class " + std::wstring(className));
}

void Window::CreateSystemControl(const wchar_t* className, DWORD exStyle, DWORD style,
                                 std::wstring_view text, int x, int y, int width, int height,
                                 HWND parent, int id) {
  std::wstring caption(text);
  HWND h = ::CreateWindowExW(exStyle, className, caption.c_str(), style, x, y, width, height,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             ::GetModuleHandleW(nullptr), nullptr);
  if (!h) throw winbase::Error(L"Cannot create a control of class " + std::wstring(className));
  hwnd_ = h;
  ::SetPropW(h, kObjectProp, this);
  previous_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::Trampoline)));
  if (parent) ::SendMessageW(h, WM_SETFONT, ::SendMessageW(parent, WM_GETFONT, 0, 0), FALSE);
}

void Window::Detach() noexcept {
  if (!hwnd_) return;
  ::RemovePropW(hwnd_, kObjectProp);
  if (previous_) {
    ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  }
  hwnd_ = nullptr;
}

LRESULT CALLBACK Window::Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = FromHandle(hwnd);
  if (!self && msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    self = static_cast<Window*>(cs->lpCreateParams);
    if (self) {
      self->hwnd_ = hwnd;
      ::SetPropW(hwnd, kObjectProp, self);
    }
  }
  if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);

  if (msg == WM_NCDESTROY) {
    WNDPROC previous = self->previous_;
    self->Detach();
    self->previous_ = nullptr;
    return previous ? ::CallWindowProcW(previous, hwnd, msg, wp, lp)
                    : ::DefWindowProcW(hwnd, msg, wp, lp);
  }
  try {
    return self->HandleMessage(msg, wp, lp);
  } catch (...) {
    Application::Get().HandleException();
  }
  return 0;
}

}  // namespace ui
