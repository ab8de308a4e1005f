// TfrmMain: the main window (the logon library). Loading it runs the single-instance check
// before its creation handler.
#pragma once
#include "instance_guard.h"
#include "ui/form.h"

namespace korvel {

class TfrmMain : public ui::Form {
public:
  TfrmMain();
  // False when another instance runs: the window is never shown and the program ends.
  bool Started() const noexcept { return started_; }

  TabfOneInstance oniMain;

private:
  static ui::FormStyle Style();
  void FormCreate();
  bool started_ = false;
};

}  // namespace korvel
