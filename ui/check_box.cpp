#include "ui/check_box.h"

namespace ui {

CheckBox::CheckBox(Form& parent, std::wstring_view caption, int x, int y, int width, int height)
    : Control(parent) {
  CreateControl(WC_BUTTONW, 0, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, caption, x, y, width, height);
}

bool CheckBox::Checked() const {
  return Handle() && ::SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
  if (Handle()) ::SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckBox::OnCommand(WORD notifyCode) {
  if (notifyCode == BN_CLICKED && OnClick) OnClick();
}

}  // namespace ui
