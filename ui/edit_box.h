// Single-line edit box; OnChange after each change of its text.
#pragma once
#include <functional>
#include <string_view>

#include "ui/control.h"
#include "ui/edit_look.h"

namespace ui {

class EditBox : public Control {
public:
  EditBox(Form& parent, std::wstring_view text, int x, int y, int width, int height,
          EditLook look = EditLook::Dialog);

  void SetReadOnly(bool readOnly);
  std::function<void()> OnChange;
  void OnCommand(WORD notifyCode) override;
  // Disabled, a dialog's edit box takes the system's colour, a page's the page's colour.
  HBRUSH OnCtlColor(HDC dc) override;

private:
  EditLook look_;
};

}  // namespace ui
