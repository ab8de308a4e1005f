// A top-level window: fixed single border, exact client size, centred on the screen, its own
// background colour and font. Controls are created on it after Create.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "ui/canvas.h"
#include "ui/colors.h"
#include "ui/window.h"
#include "winbase/handles.h"

namespace ui {

class Control;
class Button;

enum class ModalResult { None = 0, Ok = IDOK, Cancel = IDCANCEL, Abort = IDABORT,
                         Retry = IDRETRY, Ignore = IDIGNORE, Yes = IDYES, No = IDNO, Close = 8 };
enum class CloseAction { None, Hide, Free, Minimize };

struct FormStyle {
  std::wstring className;        // window class, e.g. L"TfrmMain"; the driver finds forms by it
  std::wstring caption;
  int clientWidth = 0;
  int clientHeight = 0;
  bool systemMenu = true;        // without it the caption has no buttons at all
  bool minimizeBox = false;
  bool maximizeBox = false;
  Color color = kButtonFace;
  std::wstring fontName = L"MS Sans Serif";
  int fontPoints = 8;
  int fontHeight = 0;            // when set, the LOGFONT height in pixels (wins over fontPoints)
  BYTE fontCharset = DEFAULT_CHARSET;
  const wchar_t* iconName = L"MAINICON";  // icon group of the program; missing is fine
};

class Form : public Window {
public:
  Form() = default;
  // Creates the window at once, so controls declared as members of a derived form find it.
  explicit Form(const FormStyle& style) { Create(style); }
  ~Form() override;

  // Creates the window (hidden). The first form created becomes the application's main form.
  void Create(const FormStyle& style);

  void Show();
  void Hide();
  // As the user's close button: asks OnCloseQuery, then OnClose; the main form's closing
  // ends the program, a modal form's closing ends ShowModal with Cancel.
  void Close();
  ModalResult ShowModal();
  bool InModal() const noexcept { return inModal_; }
  ModalResult GetModalResult() const noexcept { return modalResult_; }
  void SetModalResult(ModalResult r) noexcept { modalResult_ = r; }

  std::wstring Caption() const { return Text(); }
  void SetCaption(std::wstring_view caption) { SetText(caption); }
  Color GetColor() const noexcept { return color_; }
  void SetColor(Color color);
  HFONT Font() const noexcept { return font_.get(); }
  HBRUSH BackgroundBrush() const noexcept { return brush_.get(); }
  int ClientWidth() const;
  int ClientHeight() const;

  // The button that Enter presses when the focus is not on another button.
  void SetDefaultButton(Button* button) noexcept { defaultButton_ = button; }
  Button* DefaultButton() const noexcept { return defaultButton_; }
  // The button that Escape presses (none: Escape does nothing).
  void SetCancelButton(Button* button) noexcept { cancelButton_ = button; }

  // Events, assigned by the program (each optional).
  std::function<void()> OnCreate;      // called by FinishCreate
  std::function<void()> OnShow;        // each time the form is being shown
  std::function<void(Canvas&)> OnPaint;
  std::function<void(bool& canClose)> OnCloseQuery;
  std::function<void(CloseAction& action)> OnClose;

  // Call at the end of a form's constructor, once its controls exist.
  void FinishCreate() { if (OnCreate) OnCreate(); }

  // Used by controls.
  int NextControlId() noexcept { return nextId_++; }
  void AddControl(Control* c) { controls_.push_back(c); }
  void RemoveControl(Control* c) noexcept;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  Control* ControlFromHandle(HWND hwnd) const noexcept;
  LRESULT DefaultButtonId() const noexcept;
  void FocusFirstControl();

  Color color_ = kButtonFace;
  winbase::BrushHandle brush_;
  winbase::FontHandle font_;
  std::vector<Control*> controls_;
  Button* defaultButton_ = nullptr;
  Button* cancelButton_ = nullptr;
  HWND lastFocus_ = nullptr;
  int nextId_ = 1000;  // clear of IDOK/IDCANCEL and friends, which the dialog manager sends
  bool inModal_ = false;
  bool registered_ = false;
  ModalResult modalResult_ = ModalResult::None;
};

}  // namespace ui
