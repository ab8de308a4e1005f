// Single-line edit box; OnChange after each change of its text.
#pragma once
#include <functional>
#include <string_view>

#include "ui/control.h"

namespace ui {

class EditBox : public Control {
public:
  EditBox(Form& parent, std::wstring_view text, int x, int y, int width, int height);

  void SetReadOnly(bool readOnly);
  std::function<void()> OnChange;
  void OnCommand(WORD notifyCode) override;
  // An edit box keeps the system's window colour whatever the form's colour.
  HBRUSH OnCtlColor(HDC dc) override { return nullptr; }
};

}  // namespace ui
