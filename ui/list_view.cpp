#include "ui/list_view.h"

#include <vector>

namespace ui {

ListView::ListView(Form& parent, int x, int y, int width, int height) : Control(parent) {
  CreateControl(WC_LISTVIEWW, WS_EX_CLIENTEDGE,
                WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, L"", x, y,
                width, height);
  ListView_SetExtendedListViewStyle(Handle(), LVS_EX_FULLROWSELECT);
}

void ListView::AddColumn(std::wstring_view caption, int width) {
  std::wstring text(caption);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = text.data();
  column.cx = width;
  const int count = Header_GetItemCount(ListView_GetHeader(Handle()));
  column.iSubItem = count;
  ::SendMessageW(Handle(), LVM_INSERTCOLUMNW, count, reinterpret_cast<LPARAM>(&column));
}

std::wstring ListView::ColumnCaption(int index) const {
  wchar_t buffer[256] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = buffer;
  column.cchTextMax = 256;
  if (!::SendMessageW(Handle(), LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column))) return {};
  return buffer;
}

int ListView::ColumnWidth(int column) const {
  return static_cast<int>(::SendMessageW(Handle(), LVM_GETCOLUMNWIDTH, column, 0));
}

void ListView::Clear() { ListView_DeleteAllItems(Handle()); }

int ListView::AddItem(std::wstring_view caption) {
  std::wstring text(caption);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = Count();
  item.pszText = text.data();
  return static_cast<int>(::SendMessageW(Handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

int ListView::Count() const { return ListView_GetItemCount(Handle()); }

std::wstring ListView::ItemCaption(int row) const {
  // Grow until the text fits: file names can be long.
  for (int size = 260;; size *= 2) {
    std::vector<wchar_t> buffer(static_cast<std::size_t>(size), L'\0');
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = buffer.data();
    item.cchTextMax = size;
    const int length = static_cast<int>(
        ::SendMessageW(Handle(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
    if (length < size - 1 || size >= 32768) return std::wstring(buffer.data(), length);
  }
}

int ListView::ItemIndex() const { return ListView_GetNextItem(Handle(), -1, LVNI_SELECTED); }

void ListView::SetItemIndex(int row) {
  ListView_SetItemState(Handle(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row >= 0) ListView_SetItemState(Handle(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

}  // namespace ui
