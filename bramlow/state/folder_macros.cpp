#include "bramlow/state/folder_macros.h"

#include <shlobj.h>

#include "bramlow/text/macro_text.h"

namespace bramlow {

namespace {

// The one owner of a shell item identifier list.
class ItemIdList {
public:
  ItemIdList() = default;
  explicit ItemIdList(LPITEMIDLIST list) : list_(list) {}
  ~ItemIdList() {
    if (list_) CoTaskMemFree(list_);
  }
  ItemIdList(const ItemIdList&) = delete;
  ItemIdList& operator=(const ItemIdList&) = delete;
  ItemIdList(ItemIdList&& other) noexcept : list_(other.list_) { other.list_ = nullptr; }
  ItemIdList& operator=(ItemIdList&& other) noexcept {
    if (this != &other) {
      if (list_) CoTaskMemFree(list_);
      list_ = other.list_;
      other.list_ = nullptr;
    }
    return *this;
  }
  LPITEMIDLIST* Receive() { return &list_; }
  LPCITEMIDLIST Get() const { return list_; }
  explicit operator bool() const { return list_ != nullptr; }

private:
  LPITEMIDLIST list_ = nullptr;
};

std::wstring PathOf(const ItemIdList& list) {
  wchar_t path[MAX_PATH + 1] = {};
  if (!list || !SHGetPathFromIDListW(list.Get(), path)) return {};
  return path;
}

}  // namespace

std::wstring SpecialFolder(int csidl) {
  ItemIdList list;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, list.Receive()))) return {};
  return PathOf(list);
}

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring folder = length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : L"";
  if (folder.empty() || folder.back() != L'\\') folder.push_back(L'\\');
  return folder;
}

std::wstring ExpandMacros(std::wstring_view text, const TSetupState& state) {
  return ExpandMacroRows(text, [&state](const MacroRow& row) -> std::wstring {
    switch (row.source) {
      case MacroSource::ShellFolder: return SpecialFolder(row.csidl);
      case MacroSource::TempFolder: return TempFolder();
      case MacroSource::Installer: return state.InstallerFolder;
      case MacroSource::Language: return state.LangName;
      case MacroSource::Destination: return state.DestFolder;
      case MacroSource::BackslashFold: break;
    }
    return {};
  });
}

std::wstring ExpandMacros(std::wstring_view text) { return ExpandMacros(text, SetupState); }

std::optional<std::wstring> ChooseFolder(HWND owner) {
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;
  info.lpszTitle = L"";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  ItemIdList chosen(SHBrowseForFolderW(&info));
  if (!chosen) return std::nullopt;
  return PathOf(chosen);
}

std::wstring BrowsedDestination(const std::wstring& chosen, const std::wstring& destFolder,
                                const TSetupState& state) {
  return ExpandMacros(chosen + L"\\" + LastPathComponent(destFolder), state);
}

}  // namespace bramlow
