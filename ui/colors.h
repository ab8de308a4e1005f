// Colours as the forms describe them: a plain RGB value, or one of the system's colours.
#pragma once
#include <windows.h>

namespace ui {

using Color = DWORD;
// A system colour (COLOR_BTNFACE, COLOR_WINDOW...) kept symbolic until it is drawn.
constexpr Color SystemColor(int index) { return 0x80000000u | static_cast<DWORD>(index); }
constexpr Color kButtonFace = SystemColor(COLOR_BTNFACE);
constexpr Color kWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr Color kWhite = RGB(255, 255, 255);
constexpr Color kBlack = RGB(0, 0, 0);

inline COLORREF ToColorRef(Color c) {
  return (c & 0x80000000u) ? ::GetSysColor(static_cast<int>(c & 0xFF)) : static_cast<COLORREF>(c & 0xFFFFFF);
}

}  // namespace ui
