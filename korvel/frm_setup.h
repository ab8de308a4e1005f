// TfrmSetup: the window of the self-installation ("/1").
#pragma once
#include "ui/form.h"

namespace korvel {

class TfrmSetup : public ui::Form {
public:
  TfrmSetup();

private:
  static ui::FormStyle Style();
};

}  // namespace korvel
