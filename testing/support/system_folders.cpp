#include "system_folders.h"

#include <windows.h>

#include "winbase/module_path.h"

namespace testsupport {

std::wstring TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::wstring folder(buffer, length);
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

std::wstring TestProgramFolder() {
  const std::wstring self = winbase::ProgramPath();
  return self.substr(0, self.find_last_of(L'\\') + 1);
}

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH] = {};
  GetSystemDirectoryW(buffer, MAX_PATH);
  return buffer;
}

}  // namespace testsupport
