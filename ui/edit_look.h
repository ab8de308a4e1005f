// How an edit control sits on its form: a dialog's sunken edge, or flat on a coloured page.
#pragma once
#include <windows.h>

namespace ui {

// Dialog: the sunken edge and the system's colours. Page: a one-pixel line, and a disabled
// box keeps the page's colour, as on the setup wizard's white pages.
enum class EditLook { Dialog, Page };

inline DWORD EditLookExStyle(EditLook look) {
  return look == EditLook::Dialog ? WS_EX_CLIENTEDGE : 0;
}
inline DWORD EditLookStyle(EditLook look) { return look == EditLook::Page ? WS_BORDER : 0; }

}  // namespace ui
