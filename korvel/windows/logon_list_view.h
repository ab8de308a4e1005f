// The library list: a list view that opens the chosen row on a double-click or on Enter.
#pragma once
#include <functional>

#include "ui/list_view.h"

namespace korvel {

class LogonListView : public ui::ListView {
 public:
  using ui::ListView::ListView;
  // Called with a row selected; not for a double-click beside the rows.
  std::function<void()> OnOpenRow;

  LRESULT OnNotify(NMHDR& hdr) override;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void OpenSelectedRow();
};

}  // namespace korvel
