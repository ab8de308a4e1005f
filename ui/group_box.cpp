#include "ui/group_box.h"

namespace ui {

GroupBox::GroupBox(Form& parent, std::wstring_view caption, int x, int y, int width, int height)
    : Control(parent) {
  CreateControl(WC_BUTTONW, WS_EX_TRANSPARENT, WS_VISIBLE | BS_GROUPBOX, caption, x, y, width, height);
}

}  // namespace ui
