#include "ui/edit_box.h"

namespace ui {

EditBox::EditBox(Form& parent, std::wstring_view text, int x, int y, int width, int height)
    : Control(parent) {
  CreateControl(WC_EDITW, WS_EX_CLIENTEDGE, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, text, x, y,
                width, height);
}

void EditBox::SetReadOnly(bool readOnly) {
  ::SendMessageW(Handle(), EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void EditBox::OnCommand(WORD notifyCode) {
  if (notifyCode == EN_CHANGE && OnChange) OnChange();
}

}  // namespace ui
