#include "ui/canvas.h"

#include <string>

namespace ui {

void Canvas::DrawBitmap(int x, int y, HBITMAP bitmap) {
  if (!bitmap) return;
  SIZE size = BitmapSize(bitmap);
  winbase::MemoryDc mem(::CreateCompatibleDC(dc_));
  if (!mem) return;
  winbase::SelectObjectScope sel(mem.get(), bitmap);
  ::BitBlt(dc_, x, y, size.cx, size.cy, mem.get(), 0, 0, SRCCOPY);
}

void Canvas::DrawIcon(int x, int y, HICON icon) {
  if (icon) ::DrawIconEx(dc_, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

void Canvas::FillRect(const RECT& r, Color color) {
  winbase::BrushHandle brush(::CreateSolidBrush(ToColorRef(color)));
  ::FillRect(dc_, &r, brush.get());
}

void Canvas::TextOut(int x, int y, std::wstring_view text, Color color) {
  ::SetTextColor(dc_, ToColorRef(color));
  ::SetBkMode(dc_, TRANSPARENT);
  std::wstring s(text);
  ::TextOutW(dc_, x, y, s.c_str(), static_cast<int>(s.size()));
}

winbase::BitmapHandle LoadBitmapResource(const wchar_t* name) {
  return winbase::BitmapHandle(static_cast<HBITMAP>(
      ::LoadImageW(::GetModuleHandleW(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

winbase::IconHandle LoadIconResource(const wchar_t* name, int size) {
  return winbase::IconHandle(static_cast<HICON>(::LoadImageW(
      ::GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, size ? 0 : LR_DEFAULTSIZE)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !::GetObjectW(bitmap, sizeof info, &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

}  // namespace ui
