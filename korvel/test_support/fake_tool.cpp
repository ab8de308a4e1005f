// A stand-in for the resource editor: notes how it was started in "ran.txt" of its current
// folder, rewrites SaveAs from Exe when "rewrite.flag" is there, and ends with the code in
// "exitcode.txt" (0 without it), after pausing for the milliseconds in "sleep.txt".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "winbase/module_path.h"
#include "winbase/text.h"

namespace {

std::wstring ScriptValue(const wchar_t* key) {
  wchar_t value[MAX_PATH] = {};
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  GetPrivateProfileStringW(L"FILENAMES", key, L"", value, MAX_PATH,
                           (std::wstring(folder) + L"\\logonkv.ini").c_str());
  return value;
}

}  // namespace

int wmain() {
  const std::wstring self = winbase::ProgramPath();
  if (FILE* ran = _wfopen(L"ran.txt", L"wb")) {
    const std::string text =
        winbase::ToUtf8(self) + "\n" + winbase::ToUtf8(GetCommandLineW()) + "\n";
    fwrite(text.data(), 1, text.size(), ran);
    fclose(ran);
  }
  if (GetFileAttributesW(L"rewrite.flag") != INVALID_FILE_ATTRIBUTES) {
    const std::wstring saveAs = ScriptValue(L"SaveAs");
    const std::wstring temporary = saveAs + L".new";
    if (!CopyFileW(ScriptValue(L"Exe").c_str(), temporary.c_str(), FALSE)) return 3;
    if (!MoveFileExW(temporary.c_str(), saveAs.c_str(), MOVEFILE_REPLACE_EXISTING)) return 4;
  }
  if (FILE* pause = _wfopen(L"sleep.txt", L"rb")) {
    int milliseconds = 0;
    if (fscanf(pause, "%d", &milliseconds) == 1 && milliseconds > 0) Sleep(milliseconds);
    fclose(pause);
  }
  int code = 0;
  if (FILE* exitCode = _wfopen(L"exitcode.txt", L"rb")) {
    if (fscanf(exitCode, "%d", &code) != 1) code = 0;
    fclose(exitCode);
  }
  return code;
}
