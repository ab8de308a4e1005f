#include "ui/message_box.h"

#include "ui/application.h"

namespace ui {

int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
  return ::MessageBoxW(Application::Get().ActiveOwner(), text.c_str(), caption.c_str(), flags);
}

}  // namespace ui
