#include "frm_setup.h"

namespace korvel {

ui::FormStyle TfrmSetup::Style() {
  ui::FormStyle s;
  s.className = L"TfrmSetup";
  s.caption = L"Korvel --- Setup";
  s.clientWidth = 356;
  s.clientHeight = 52;
  s.systemMenu = false;
  s.color = ui::kWhite;
  return s;
}

TfrmSetup::TfrmSetup() : ui::Form(Style()) { FinishCreate(); }

}  // namespace korvel
