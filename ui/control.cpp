#include "ui/control.h"

#include "ui/form.h"

namespace ui {

Control::Control(Form& parent) : parent_(parent), id_(parent.NextControlId()) {
  parent_.AddControl(this);
}

Control::~Control() {
  parent_.RemoveControl(this);
  Destroy();
}

HBRUSH Control::OnCtlColor(HDC dc) {
  ::SetBkColor(dc, ToColorRef(parent_.GetColor()));
  return parent_.BackgroundBrush();
}

void Control::CreateControl(const wchar_t* className, DWORD exStyle, DWORD style,
                            std::wstring_view text, int x, int y, int width, int height) {
  CreateSystemControl(className, exStyle, style | WS_CHILD | WS_CLIPSIBLINGS, text, x, y, width,
                      height, parent_.Handle(), id_);
}

}  // namespace ui
