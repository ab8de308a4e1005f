// Toolbar of picture buttons with tooltips (each button's hint), drawn flat: the bar in one
// colour, a button under the mouse filled with the highlight colour and framed, a pressed one
// filled with the selected colour. The bar lives in a host window of its own, which receives
// the bar's commands, tooltip requests and drawing notifications.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ui/colors.h"
#include "ui/control.h"
#include "ui/image_list.h"

namespace ui {

class ToolBar : public Control {
public:
  ToolBar(Form& parent, int x, int y, int width, int height);
  ~ToolBar() override;

  // The pictures; the list must outlive the bar.
  void SetImages(const ImageList& images);
  // The colour of the bar where no button is highlighted or pressed.
  void SetColor(Color color);
  // The fill of the button under the mouse.
  void SetHighlightColor(Color color);
  // The fill of a button held down (or checked).
  void SetSelectedColor(Color color);
  // Pixels between neighbouring buttons.
  void SetSpacing(int pixels);

  // Returns the button's index among the buttons (separators not counted).
  int AddButton(int imageIndex, std::wstring hint, std::function<void()> onClick);
  void AddSeparator();

  int ButtonCount() const noexcept { return static_cast<int>(buttons_.size()); }
  const std::wstring& Hint(int button) const { return buttons_.at(button).hint; }
  int ImageIndex(int button) const { return buttons_.at(button).image; }
  void SetButtonEnabled(int button, bool enabled);
  bool ButtonEnabled(int button) const;
  // As the user's click: nothing happens on a disabled button.
  void ClickButton(int button);
  HWND BarHandle() const noexcept { return bar_; }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  struct Entry {
    int image;
    std::wstring hint;
    std::function<void()> onClick;
  };
  static constexpr int kFirstCommand = 100;
  int ButtonFromCommand(int command) const;
  LRESULT CustomDraw(NMTBCUSTOMDRAW& draw) const;

  HWND bar_ = nullptr;
  Color color_;
  Color highlightColor_;
  Color selectedColor_ = kButtonFace;
  std::vector<Entry> buttons_;
};

}  // namespace ui
