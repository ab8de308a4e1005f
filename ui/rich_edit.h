// Read-only rich-text viewer (RichEdit 2.0 and later, from riched20.dll): shows an RTF
// document, scrolls vertically, wraps words.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "ui/control.h"
#include "ui/edit_look.h"

namespace ui {

class RichEditViewer : public Control {
public:
  RichEditViewer(Form& parent, int x, int y, int width, int height,
                 EditLook look = EditLook::Dialog);

  // Shows bytes: rendered when they start like rich text ("{\rtf"), as plain text otherwise,
  // scrolled to the top. False when the control refused them.
  bool LoadRtf(std::string_view bytes);
  // Shows the first maxBytes of a file as above. False when the file cannot be read; the
  // viewer is then empty.
  bool LoadFile(const std::wstring& path, size_t maxBytes = kWholeFile);
  // The plain text shown.
  std::wstring PlainText() const;
  HBRUSH OnCtlColor(HDC dc) override;

  static constexpr size_t kWholeFile = static_cast<size_t>(-1);

private:
  static void EnsureLibrary();
  EditLook look_;
};

}  // namespace ui
