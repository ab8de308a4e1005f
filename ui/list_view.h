// List view in report style: single selection, whole-row selection, read-only captions, rows in
// the order they were added.
#pragma once
#include <string>
#include <string_view>

#include "ui/control.h"

namespace ui {

class ListView : public Control {
public:
  ListView(Form& parent, int x, int y, int width, int height);

  void AddColumn(std::wstring_view caption, int width);
  std::wstring ColumnCaption(int column) const;
  int ColumnWidth(int column) const;

  void Clear();
  int AddItem(std::wstring_view caption);  // returns the row's index
  int Count() const;
  std::wstring ItemCaption(int row) const;
  // The selected row, -1 when none.
  int ItemIndex() const;
  void SetItemIndex(int row);  // -1 clears the selection
};

}  // namespace ui
