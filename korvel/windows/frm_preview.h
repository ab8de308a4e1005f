// TfrmPreview: the modal preview of a library package, opened from the library list. The
// largest picture drawn to fit with its aspect kept, the others as thumbnails beside it, each
// captioned with its resource; below, the pictures listed, whether "uifile.txt" is there and
// the package's size. Escape, Enter and the close box close it.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "korvel/preview/package_preview.h"
#include "korvel/preview/preview_layout.h"
#include "ui/button.h"
#include "ui/form.h"
#include "ui/label.h"

namespace korvel {

class PreviewPanel;

class TfrmPreview : public ui::Form {
 public:
  // Takes the package's contents; the pictures are scaled once here and the file bytes dropped.
  TfrmPreview(const std::wstring& caption, PackageContents contents);
  ~TfrmPreview() override;

  // Shown centred on the owner's window.
  void ShowModalOver(HWND owner);

  std::unique_ptr<PreviewPanel> pnlPictures;
  ui::Label labPictures{*this, L"", 8, 332, 480, 28};
  ui::Label labUiFile{*this, L"", 8, 362, 480, 14};
  ui::Label labSize{*this, L"", 8, 380, 480, 14};
  ui::Button btnClose{*this, L"Закрыть", 504, 362, 88, 30};

 private:
  static ui::FormStyle Style(const std::wstring& caption);
  // Whether text, word-wrapped in the form's font, fits inside the label.
  bool TextFits(const std::wstring& text, const ui::Label& label) const;
};

// A library package read through the archive engine for the preview, or why it could not be.
// pumpMessages runs between pieces of the engine's work, as for the main window's components.
PreviewRead ReadPackageToPreview(const std::wstring& packagePath,
                                 std::function<void()> pumpMessages);

// Shows the preview of a package that was read over owner.
void ShowPackagePreview(ui::Form& owner, const std::wstring& packageName, PackageContents contents);

}  // namespace korvel
