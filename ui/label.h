// Static text: word wrap (on by default), font colour and bold; never sizes itself, so a long
// text is cut at the label's bottom.
#pragma once
#include <string_view>

#include "ui/colors.h"
#include "ui/control.h"
#include "winbase/handles.h"

namespace ui {

class Label : public Control {
public:
  Label(Form& parent, std::wstring_view text, int x, int y, int width, int height,
        bool wordWrap = true);

  void SetFontColor(Color color);
  Color FontColor() const noexcept { return color_; }
  void SetBold(bool bold);
  bool Bold() const noexcept { return bold_; }
  void SetWordWrap(bool wrap);

  HBRUSH OnCtlColor(HDC dc) override;

private:
  Color color_ = kWindowText;
  bool bold_ = false;
  winbase::FontHandle boldFont_;
};

}  // namespace ui
