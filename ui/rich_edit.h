// Read-only rich-text viewer (RichEdit 2.0 and later, from riched20.dll): shows an RTF
// document, scrolls vertically, wraps words.
#pragma once
#include <string>
#include <string_view>

#include "ui/control.h"

namespace ui {

class RichEditViewer : public Control {
public:
  RichEditViewer(Form& parent, int x, int y, int width, int height);

  // Loads an RTF (or plain text) document from bytes; false when the control refused it.
  bool LoadRtf(std::string_view bytes);
  // Loads a file's bytes as above; false when it cannot be read.
  bool LoadFile(const std::wstring& path);
  // The plain text shown.
  std::wstring PlainText() const;
  HBRUSH OnCtlColor(HDC dc) override { return nullptr; }

private:
  static void EnsureLibrary();
};

}  // namespace ui
