#include "ui/combo_box.h"

#include "ui/form.h"

namespace ui {

ComboBox::ComboBox(Form& parent, int x, int y, int width, int height, bool sorted)
    : Control(parent) {
  CreateControl(WC_COMBOBOXW, 0,
                WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | (sorted ? CBS_SORT : 0),
                L"", x, y, width, height);
}

int ComboBox::Add(std::wstring_view text) {
  std::wstring item(text);
  return static_cast<int>(
      ::SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str())));
}

int ComboBox::Count() const {
  LRESULT count = ::SendMessageW(Handle(), CB_GETCOUNT, 0, 0);
  return count == CB_ERR ? 0 : static_cast<int>(count);
}

std::wstring ComboBox::Item(int index) const {
  LRESULT length = ::SendMessageW(Handle(), CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT got = ::SendMessageW(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

int ComboBox::IndexOf(std::wstring_view text) const {
  std::wstring item(text);
  LRESULT index = ::SendMessageW(Handle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(item.c_str()));
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

int ComboBox::ItemIndex() const {
  LRESULT index = ::SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void ComboBox::SetItemIndex(int index) { ::SendMessageW(Handle(), CB_SETCURSEL, index, 0); }

std::wstring ComboBox::SelectedText() const {
  int index = ItemIndex();
  return index < 0 ? std::wstring() : Item(index);
}

void ComboBox::OnCommand(WORD notifyCode) {
  if (notifyCode == CBN_SELCHANGE && OnChange) OnChange();
}

HBRUSH ComboBox::OnCtlColor(HDC dc) {
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  return ::GetSysColorBrush(COLOR_WINDOW);
}

}  // namespace ui
