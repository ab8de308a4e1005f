// Progress bar with a range (0 to 100 unless set) and a position.
#pragma once
#include "ui/control.h"

namespace ui {

class ProgressBar : public Control {
public:
  ProgressBar(Form& parent, int x, int y, int width, int height, int min = 0, int max = 100);

  void SetRange(int min, int max);
  int Min() const noexcept { return min_; }
  int Max() const noexcept { return max_; }
  void SetPosition(int position);  // kept within the range
  int Position() const noexcept { return position_; }
  void StepBy(int delta) { SetPosition(position_ + delta); }

private:
  int min_, max_, position_ = 0;
};

}  // namespace ui
