#include "ui/edit_box.h"

namespace ui {

EditBox::EditBox(Form& parent, std::wstring_view text, int x, int y, int width, int height,
                 EditLook look)
    : Control(parent), look_(look) {
  CreateControl(WC_EDITW, EditLookExStyle(look),
                WS_VISIBLE | WS_TABSTOP | EditLookStyle(look) | ES_AUTOHSCROLL | ES_LEFT, text, x, y,
                width, height);
}

void EditBox::SetReadOnly(bool readOnly) {
  ::SendMessageW(Handle(), EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

HBRUSH EditBox::OnCtlColor(HDC dc) {
  return look_ == EditLook::Page ? Control::OnCtlColor(dc) : nullptr;
}

void EditBox::OnCommand(WORD notifyCode) {
  if (notifyCode == EN_CHANGE && OnChange) OnChange();
}

}  // namespace ui
