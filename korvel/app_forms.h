// The program-wide references to Korvel's windows (at most one of each; null when the mode
// does not create it).
#pragma once

namespace korvel {

class TfrmMain;
class TfrmSetup;
class TfrmUninst;
class TfrmMsg;

struct AppForms {
  TfrmMain* frmMain = nullptr;
  TfrmSetup* frmSetup = nullptr;
  TfrmUninst* frmUninst = nullptr;
  TfrmMsg* frmMsg = nullptr;
};

AppForms& Forms();

}  // namespace korvel
