#include "bramlow/state/setup_state.h"

namespace bramlow {

TSetupState SetupState;

void TSetupState::ClearForNewWindow() {
  Finished = false;
  CopyFailed = false;
  OcxCounter = 0;
  OthCount = IniCount = RegCount = LnkCount = ExeCount = 0;
}

}  // namespace bramlow
