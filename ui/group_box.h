// Group box: a captioned frame. Controls "inside" it are siblings on the form created before
// it, so they stay above it in the drawing order and it never paints over them.
#pragma once
#include <string_view>

#include "ui/colors.h"
#include "ui/control.h"

namespace ui {

class GroupBox : public Control {
public:
  GroupBox(Form& parent, std::wstring_view caption, int x, int y, int width, int height);
};

}  // namespace ui
