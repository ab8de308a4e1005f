#include "ui/resources.h"

namespace ui {

std::wstring LoadStringResource(UINT id, HINSTANCE module) {
  if (!module) module = ::GetModuleHandleW(nullptr);
  // With a zero buffer size LoadString hands out a pointer to the resource itself, so a text
  // of any length comes through whole.
  const wchar_t* text = nullptr;
  int n = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (n <= 0 || !text) return {};
  return std::wstring(text, static_cast<size_t>(n));
}

}  // namespace ui
