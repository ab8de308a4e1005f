#include "bramlow/actions/language/language_files.h"

#include <windows.h>

#include "bramlow/text/macro_text.h"
#include "winbase/handles.h"
#include "winbase/module_path.h"

namespace bramlow {

std::wstring LanguageNameOf(std::wstring_view fileName) {
  size_t dot = fileName.rfind(L'.');
  return std::wstring(dot == std::wstring_view::npos ? fileName : fileName.substr(0, dot));
}

std::vector<std::wstring> ListLanguageNames(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  winbase::FindHandle find(FindFirstFileW((folder + L"*.qxl").c_str(), &data));
  if (!find) return names;
  do {
    // A folder that happens to be named like a language file is not one.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    names.push_back(LanguageNameOf(data.cFileName));
  } while (FindNextFileW(find.get(), &data));
  return names;
}

std::wstring ProgramFolder() {
  return FolderPart(winbase::ProgramPath());
}

}  // namespace bramlow
