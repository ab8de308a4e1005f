#pragma once
// A push button on the shaded button strip: the corners around its face show the strip.
#include <windows.h>

#include "ui/button.h"

namespace bramlow {

class StripButton : public ui::Button {
 public:
  using ui::Button::Button;
  // The strip's brush and the button's offset within the brush's pattern.
  void SetBackground(HBRUSH brush, POINT patternOffset) {
    background_ = brush;
    patternOffset_ = patternOffset;
  }
  HBRUSH OnCtlColor(HDC dc) override {
    if (!background_) return ui::Button::OnCtlColor(dc);
    ::SetBrushOrgEx(dc, -patternOffset_.x, -patternOffset_.y, nullptr);
    return background_;
  }

 private:
  HBRUSH background_ = nullptr;
  POINT patternOffset_{0, 0};
};

}  // namespace bramlow
