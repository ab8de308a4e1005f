#include "korvel/windows/logon_list_view.h"

namespace korvel {

LRESULT LogonListView::OnNotify(NMHDR& hdr) {
  if (hdr.hwndFrom != Handle() || hdr.code != NM_DBLCLK) return 0;
  if (reinterpret_cast<NMITEMACTIVATE&>(hdr).iItem >= 0) OpenSelectedRow();
  return 0;
}

LRESULT LogonListView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE: {
      // The dialog manager of the message loop would otherwise turn Enter into a press of the
      // window's default button, which the main window does not have.
      const auto* key = reinterpret_cast<const MSG*>(lp);
      if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        return DefaultHandler(msg, wp, lp) | DLGC_WANTMESSAGE;
      break;
    }
    case WM_KEYDOWN:
      if (wp == VK_RETURN) {
        OpenSelectedRow();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefaultHandler(msg, wp, lp);
}

void LogonListView::OpenSelectedRow() {
  if (ItemIndex() >= 0 && OnOpenRow) OnOpenRow();
}

}  // namespace korvel
