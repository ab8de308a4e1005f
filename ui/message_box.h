// Standard modal message boxes, owned by the program's active form.
#pragma once
#include <windows.h>
#include <string>

namespace ui {

// MessageBox with the active form (or none) as owner; returns the button's ID.
int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);
// The same with the given owner (a hidden window too).
int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);

}  // namespace ui
