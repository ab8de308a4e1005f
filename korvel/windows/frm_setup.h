// TfrmSetup: the window of the self-installation ("/1").
#pragma once
#include "ui/form.h"
#include "ui/label.h"
#include "ui/progress_bar.h"
#include "ui/timer.h"

namespace korvel {

class TfrmSetup : public ui::Form {
 public:
  TfrmSetup();

  // The product's own wording, letter for letter ("Пожалуйта" included): not to be corrected.
  ui::Label labInfo{*this, L"Пожалуйта подождите! Идет установка...", 80, 8, 276, 13, false};
  ui::ProgressBar pbrSetup{*this, 56, 24, 289, 17, 0, 100};
  ui::Timer tmrProgress{25, false};

 private:
  static ui::FormStyle Style();
  void FormShow();
  void FormPaint(ui::Canvas& canvas);
  void tmrProgressTimer();
};

}  // namespace korvel
