// TfrmMsg: Korvel's own modal question window: a white panel with the "MSG" picture, a
// word-wrapped text and the buttons "OK" and "Отмена".
#pragma once
#include <string>

#include "ui/button.h"
#include "ui/form.h"
#include "ui/label.h"

namespace korvel {

class TfrmMsg : public ui::Form {
 public:
  TfrmMsg();

  // Caption, text and font colour as given; True when the window closed with OK.
  bool AskMessage(const std::wstring& caption, const std::wstring& text, ui::Color color);
  // The same with the text in bold (the bold style stays for later uses).
  bool AskMessageBold(const std::wstring& caption, const std::wstring& text, ui::Color color);

  ui::Label labInfo{*this, L"", 56, 8, 225, 121};
  ui::Button btnOK{*this, L"OK", 8, 136, 89, 33};
  ui::Button btnCancel{*this, L"Отмена", 192, 136, 89, 33};

 private:
  static ui::FormStyle Style();
  bool Ask(const std::wstring& caption, const std::wstring& text, ui::Color color, bool bold);
  void FormPaint(ui::Canvas& canvas);
};

}  // namespace korvel
