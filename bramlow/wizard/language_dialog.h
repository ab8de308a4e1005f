#pragma once
// The language dialog shown at start-up: lists the language files beside the engine and
// stores the choice in the setup state. Its texts are fixed, not taken from a language file.
#include <functional>
#include <string>

#include "bramlow/state/setup_state.h"
#include "ui/button.h"
#include "ui/canvas.h"
#include "ui/combo_box.h"
#include "ui/form.h"
#include "ui/label.h"

namespace bramlow {

class TForm2 : public ui::Form {
public:
  // Fills the list from the language files in installerFolder (with its trailing backslash),
  // which also becomes the state's InstallerFolder.
  TForm2(TSetupState& state, const std::wstring& installerFolder);

  // The wizard window: shown (by OnAccepted) after OK, closed with the dialog on Cancel.
  ui::Form* Form1 = nullptr;
  // Called after OK has stored the language and hidden the dialog.
  std::function<void()> OnAccepted;

  // The language the list selected first: the first file the folder listing returned.
  const std::wstring& FirstFound() const { return firstFound_; }

  void btnOkClick();
  void btnCancelClick();

  ui::Label labPrompt{*this, L"Please select a Language:", 64, 24, 169, 17};
  ui::ComboBox cbbLanguage{*this, 8, 64, 233, 200, true};
  ui::Button btnOk{*this, L"OK", 80, 96, 73, 25};
  ui::Button btnCancel{*this, L"Cancel", 168, 96, 72, 25};

private:
  static ui::FormStyle Style();
  void FormPaint(ui::Canvas& canvas);

  TSetupState& state_;
  std::wstring firstFound_;
  bool cancelled_ = false;
  winbase::BitmapHandle picture_;
};

}  // namespace bramlow
