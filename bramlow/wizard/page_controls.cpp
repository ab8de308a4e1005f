#include "bramlow/wizard/page_controls.h"

namespace bramlow {

CheckBox::CheckBox(ui::Form& parent, std::wstring_view caption, int x, int y, int width,
                   int height)
    : ui::Control(parent) {
  CreateControl(WC_BUTTONW, 0, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, caption, x, y, width,
                height);
}

bool CheckBox::Checked() const {
  return Handle() && ::SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
  if (Handle()) ::SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

EditBox::EditBox(ui::Form& parent, int x, int y, int width, int height) : ui::Control(parent) {
  CreateControl(WC_EDITW, 0, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_LEFT, L"", x,
                y, width, height);
}

GroupBox::GroupBox(ui::Form& parent, std::wstring_view caption, int x, int y, int width,
                   int height)
    : ui::Control(parent) {
  CreateControl(WC_BUTTONW, 0, WS_VISIBLE | BS_GROUPBOX, caption, x, y, width, height);
}

}  // namespace bramlow
