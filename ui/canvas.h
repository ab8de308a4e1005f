// Painting: a canvas over a device context, and the program's bitmap and icon resources.
#pragma once
#include <windows.h>
#include <string_view>

#include "ui/colors.h"
#include "winbase/handles.h"

namespace ui {

class Canvas {
public:
  explicit Canvas(HDC dc) noexcept : dc_(dc) {}
  HDC Dc() const noexcept { return dc_; }
  // Draws the whole bitmap with its top-left corner at (x, y).
  void DrawBitmap(int x, int y, HBITMAP bitmap);
  // Draws an icon at its own size.
  void DrawIcon(int x, int y, HICON icon);
  void FillRect(const RECT& r, Color color);
  void TextOut(int x, int y, std::wstring_view text, Color color);

private:
  HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT, ended also when a paint handler throws.
class PaintScope {
public:
  explicit PaintScope(HWND hwnd) noexcept : hwnd_(hwnd) { ::BeginPaint(hwnd, &ps_); }
  ~PaintScope() { ::EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const noexcept { return ps_.hdc; }
  const RECT& Area() const noexcept { return ps_.rcPaint; }

private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
};

// Bitmap and icon resources of the running program (name or MAKEINTRESOURCE number).
// Empty owners when the resource is missing.
winbase::BitmapHandle LoadBitmapResource(const wchar_t* name);
winbase::IconHandle LoadIconResource(const wchar_t* name, int size = 0);
SIZE BitmapSize(HBITMAP bitmap);

}  // namespace ui
