// Drop-down list the user can only choose from (no typing), optionally kept sorted by the
// control itself in the system's case-insensitive order.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "ui/control.h"

namespace ui {

class ComboBox : public Control {
public:
  // height is the control's height with its list dropped down.
  ComboBox(Form& parent, int x, int y, int width, int height = 200, bool sorted = true);

  // Adds an item and returns the index it was given (sorting may place it anywhere).
  int Add(std::wstring_view text);
  int Count() const;
  std::wstring Item(int index) const;
  // The index of the item that equals text (without regard to case), or -1.
  int IndexOf(std::wstring_view text) const;
  // -1 when nothing is selected.
  int ItemIndex() const;
  void SetItemIndex(int index);
  // The text shown in the selection field (empty when nothing is selected).
  std::wstring SelectedText() const;

  std::function<void()> OnChange;

  void OnCommand(WORD notifyCode) override;
  HBRUSH OnCtlColor(HDC dc) override;
};

}  // namespace ui
