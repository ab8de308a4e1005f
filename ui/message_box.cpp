#include "ui/message_box.h"

#include "ui/application.h"

namespace ui {

int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
  return ShowMessageBox(Application::Get().ActiveOwner(), text, caption, flags);
}

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
  return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

}  // namespace ui
