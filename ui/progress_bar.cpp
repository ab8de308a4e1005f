#include "ui/progress_bar.h"

#include <algorithm>

namespace ui {

ProgressBar::ProgressBar(Form& parent, int x, int y, int width, int height, int min, int max)
    : Control(parent), min_(min), max_(max), position_(min) {
  CreateControl(PROGRESS_CLASSW, 0, WS_VISIBLE, L"", x, y, width, height);
  SetRange(min, max);
}

void ProgressBar::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  ::SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
  SetPosition(position_);
}

void ProgressBar::SetPosition(int position) {
  position_ = std::clamp(position, min_, max_);
  ::SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

}  // namespace ui
