#include "ui/group_box.h"

namespace ui {

GroupBox::GroupBox(Form& parent, std::wstring_view caption, int x, int y, int width, int height)
    : Control(parent) {
  CreateControl(WC_BUTTONW, 0, WS_VISIBLE | BS_GROUPBOX, caption, x, y, width, height);
}

}  // namespace ui
