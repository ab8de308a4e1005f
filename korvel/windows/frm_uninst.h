// TfrmUninst: the window of the self-removal ("/2" asks first, "/3" does not).
#pragma once
#include "ui/form.h"
#include "ui/label.h"
#include "ui/progress_bar.h"
#include "ui/timer.h"

namespace korvel {

class TfrmUninst : public ui::Form {
 public:
  // askFirst: "/2" asks for confirmation before anything is removed, "/3" does not.
  explicit TfrmUninst(bool askFirst);
  bool AskFirst() const noexcept { return askFirst_; }

  ui::Label Label1{*this, L"Производится удаление! Пожалуйста подождите...", 72, 8, 285, 13, false};
  ui::ProgressBar pbrUninst{*this, 56, 24, 289, 17, 0, 100};
  ui::Timer tmrMain{30, false};

 private:
  static ui::FormStyle Style();
  void FormShow();
  void FormPaint(ui::Canvas& canvas);
  void tmrMainTimer();
  bool askFirst_;
};

}  // namespace korvel
