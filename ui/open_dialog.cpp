#include "ui/open_dialog.h"

#include <commdlg.h>

#include <vector>

namespace ui {

std::wstring OpenDialog::SystemFilter(const std::wstring& filter) {
  std::wstring result = filter;
  for (wchar_t& c : result)
    if (c == L'|') c = L'\0';
  result.push_back(L'\0');
  result.push_back(L'\0');
  return result;
}

bool OpenDialog::Execute(HWND owner) {
  const std::wstring systemFilter = SystemFilter(filter);
  std::vector<wchar_t> buffer(32768, L'\0');
  fileName.copy(buffer.data(), buffer.size() - 1);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.empty() ? nullptr : systemFilter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (!::GetOpenFileNameW(&dialog)) return false;
  fileName = buffer.data();
  return true;
}

}  // namespace ui
