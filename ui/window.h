// The one base of every window object (forms, controls, timers). The system calls a single
// window procedure (the trampoline), which finds the object stored with the window and hands
// it the message; no exception ever leaves the trampoline.
#pragma once
#include <windows.h>
#include <string>
#include <string_view>

namespace ui {

class Window {
public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Handle() const noexcept { return hwnd_; }
  // The object created for this window by this layer, or null for a foreign window.
  static Window* FromHandle(HWND hwnd) noexcept;

  std::wstring Text() const;
  void SetText(std::wstring_view text);
  void SetBounds(int x, int y, int width, int height);
  RECT Bounds() const;  // relative to the parent's client area (screen for top-level windows)
  void SetVisible(bool visible);
  bool Visible() const;
  void SetEnabled(bool enabled);
  bool Enabled() const;
  void Invalidate(bool erase = true);
  void SetFocus();
  void Destroy();

protected:
  // Every message of the window arrives here. Overrides end with DefaultHandler for
  // what they do not take.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp);

  // Registers a window class of this layer (idempotent) whose procedure is the trampoline.
  static void RegisterOwnClass(const wchar_t* className, UINT classStyle, HICON icon,
                               HICON smallIcon = nullptr);
  // Creates a window of a class registered with RegisterOwnClass.
  void CreateOwn(const wchar_t* className, DWORD exStyle, DWORD style, std::wstring_view text,
                 int x, int y, int width, int height, HWND parent, HMENU menuOrId);
  // Creates a system control (BUTTON, STATIC, a common control...) and subclasses it so its
  // messages pass through HandleMessage first.
  void CreateSystemControl(const wchar_t* className, DWORD exStyle, DWORD style,
                           std::wstring_view text, int x, int y, int width, int height,
                           HWND parent, int id);

private:
  static LRESULT CALLBACK Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Detach() noexcept;

  HWND hwnd_ = nullptr;
  WNDPROC previous_ = nullptr;  // the system class's procedure of a subclassed control
};

}  // namespace ui
