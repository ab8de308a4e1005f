// TfrmUninst: the window of the self-removal ("/2" asks first, "/3" does not).
#pragma once
#include "app_mode.h"
#include "ui/form.h"

namespace korvel {

class TfrmUninst : public ui::Form {
public:
  explicit TfrmUninst(AppMode mode);
  AppMode Mode() const noexcept { return mode_; }

private:
  static ui::FormStyle Style();
  AppMode mode_;
};

}  // namespace korvel
