#pragma once
// The licence viewer: a read-only rich-text control that wraps its lines and shows one file.
#include <string>

#include "ui/control.h"

namespace bramlow {

class RtfViewer : public ui::Control {
 public:
  RtfViewer(ui::Form& parent, int x, int y, int width, int height);
  // Shows the file's content: rendered when it is rich text, as plain text otherwise, empty
  // when it cannot be read. Scrolled to the top.
  void LoadFile(const std::wstring& fileName);
};

// The content shown for the licence: at most this many bytes are read from the file.
inline constexpr size_t kMaxLicenceBytes = 8u << 20;

// Whether bytes start like a rich-text document ("{\rtf").
bool LooksLikeRichText(const std::string& bytes);

}  // namespace bramlow
