#pragma once
// The plain controls of the wizard's pages that the window layer does not have: a check box,
// a one-line edit box with a flat border and a group box.
#include <string_view>

#include "ui/control.h"

namespace bramlow {

class CheckBox : public ui::Control {
 public:
  CheckBox(ui::Form& parent, std::wstring_view caption, int x, int y, int width, int height);
  bool Checked() const;
  void SetChecked(bool checked);
};

class EditBox : public ui::Control {
 public:
  EditBox(ui::Form& parent, int x, int y, int width, int height);
};

class GroupBox : public ui::Control {
 public:
  GroupBox(ui::Form& parent, std::wstring_view caption, int x, int y, int width, int height);
};

}  // namespace bramlow
