#pragma once
// The link label of the button strip: blue and bold, red, bold and underlined while the mouse
// is over it, with the hand cursor; sizes itself to its text and shows the strip behind it.
#include <functional>
#include <string_view>

#include "ui/label.h"
#include "winbase/handles.h"

namespace bramlow {

class LinkLabel : public ui::Label {
 public:
  // background paints behind the text: a brush and the offset of the label within the
  // brush's pattern (the strip it sits on).
  LinkLabel(ui::Form& parent, int x, int y);

  void SetBackground(HBRUSH brush, POINT patternOffset);
  // Sets the text and fits the label to it.
  void SetCaption(std::wstring_view text);
  bool Hot() const { return hot_; }

  std::function<void()> OnClick;

  HBRUSH OnCtlColor(HDC dc) override;
  void OnCommand(WORD notifyCode) override;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void SetHot(bool hot);
  void ApplyFont();
  void FitToText();

  int x_, y_;
  bool hot_ = false;
  HBRUSH background_ = nullptr;
  POINT patternOffset_{0, 0};
  winbase::FontHandle font_;
};

// Sizes a label (one line, no wrapping) to its text in its own font; maxWidth 0: no limit.
void FitLabelToText(ui::Label& label, int maxWidth = 0);

}  // namespace bramlow
