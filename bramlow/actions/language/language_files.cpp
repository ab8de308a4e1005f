#include "bramlow/actions/language/language_files.h"

#include <windows.h>

#include "bramlow/text/macro_text.h"
#include "ui/handles.h"

namespace bramlow {

std::wstring LanguageNameOf(std::wstring_view fileName) {
  size_t dot = fileName.rfind(L'.');
  return std::wstring(dot == std::wstring_view::npos ? fileName : fileName.substr(0, dot));
}

std::vector<std::wstring> ListLanguageNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  ui::FindHandle find(FindFirstFileW((folder + L"*.qxl").c_str(), &data));
  if (!find) return names;
  do {
    // A folder that happens to be named like a language file is not one.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    names.push_back(LanguageNameOf(data.cFileName));
  } while (FindNextFileW(find.get(), &data));
  return names;
}

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return FolderPart(path);
}

}  // namespace bramlow
