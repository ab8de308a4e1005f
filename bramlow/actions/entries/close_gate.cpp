#include "bramlow/actions/entries/close_gate.h"

namespace bramlow {

bool CloseGate::RequestClose() {
  if (!Busy()) return true;
  deferred_ = true;
  return false;
}

bool CloseGate::TakeDeferredClose() {
  if (Busy()) return false;
  const bool deferred = deferred_;
  deferred_ = false;
  return deferred;
}

}  // namespace bramlow
