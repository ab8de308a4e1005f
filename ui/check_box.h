// Check box with a caption; OnClick after the user changed it.
#pragma once
#include <functional>
#include <string_view>

#include "ui/control.h"

namespace ui {

class CheckBox : public Control {
public:
  CheckBox(Form& parent, std::wstring_view caption, int x, int y, int width, int height);

  bool Checked() const;
  void SetChecked(bool checked);

  std::function<void()> OnClick;
  void OnCommand(WORD notifyCode) override;
};

}  // namespace ui
