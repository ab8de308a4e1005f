#include "frm_uninst.h"

namespace korvel {

ui::FormStyle TfrmUninst::Style() {
  ui::FormStyle s;
  s.className = L"TfrmUninst";
  s.caption = L"Korvel --- Uninstall";
  s.clientWidth = 357;
  s.clientHeight = 52;
  s.systemMenu = false;
  s.color = ui::kWhite;
  return s;
}

TfrmUninst::TfrmUninst(AppMode mode) : ui::Form(Style()), mode_(mode) { FinishCreate(); }

}  // namespace korvel
