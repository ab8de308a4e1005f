// Push button, optionally with a glyph (a bitmap left of the caption, drawn transparently:
// the colour of its bottom-left pixel is the transparent one).
#pragma once
#include <functional>
#include <string_view>

#include "ui/control.h"
#include "ui/form.h"
#include "winbase/handles.h"

namespace ui {

class Button : public Control {
public:
  Button(Form& parent, std::wstring_view caption, int x, int y, int width, int height);

  // Takes the glyph (a 24x24 bitmap, say); the button then draws itself.
  void SetGlyph(winbase::BitmapHandle glyph);
  // Enter presses this button unless another button has the focus.
  void SetDefault(bool isDefault);
  // Clicking closes a modal parent with this result.
  void SetModalResult(ModalResult r) noexcept { modalResult_ = r; }
  ModalResult GetModalResult() const noexcept { return modalResult_; }

  // As a click of the user.
  void Click();
  std::function<void()> OnClick;

  void OnCommand(WORD notifyCode) override;
  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

private:
  winbase::BitmapHandle glyph_;
  winbase::ImageListHandle images_;
  SIZE glyphSize_{0, 0};
  ModalResult modalResult_ = ModalResult::None;
};

}  // namespace ui
