#include "self_delete.h"

#include <windows.h>

#include <vector>

#include "winbase/handles.h"
#include "winbase/text.h"

namespace uninstall {
namespace {

std::wstring ShortForm(const std::wstring& path) {
  if (path.size() >= MAX_PATH) return path;  // as for the long form: nothing to shorten it to
  wchar_t buffer[MAX_PATH];
  DWORD n = GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : path;
}

std::string ToOem(const std::wstring& text) {
  return winbase::Narrow(text, CP_OEMCP);
}

// A percent sign in a batch line starts a variable; a doubled one is the sign itself.
std::string ForBatch(std::string text) {
  for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 2)) text.insert(at, 1, '%');
  return text;
}

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH];
  UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : std::wstring(L"C:\\WINDOWS\\system32");
}

}  // namespace

std::string SelfDeleteBatch(const std::wstring& program, const std::wstring& folder, const std::wstring& batchPath) {
  std::string exe = ForBatch(ToOem(ShortForm(program)));
  std::string dir = ForBatch(ToOem(ShortForm(folder)));
  std::string self = ForBatch(ToOem(ShortForm(batchPath)));
  // The command interpreter has no pause of its own on every system this runs on; two echo
  // requests to the local machine are a second apart. Named with its full path: the batch
  // runs in the temporary folder, where anyone can put a "ping.exe".
  std::string pause = "\"" + ForBatch(ToOem(ShortForm(SystemFolder() + L"\\ping.exe"))) + "\" -n 2 127.0.0.1 >nul\r\n";
  // Bounded: a file that can never be deleted must not keep a hidden process looping.
  return "@echo off\r\n"
         "set n=0\r\n"
         ":repeat\r\n"
         "del \"" + exe + "\"\r\n"
         "if not exist \"" + exe + "\" goto done\r\n"
         "set /a n=n+1\r\n"
         "if %n% geq " + std::to_string(kSelfDeleteTries) + " goto done\r\n" +
         pause +
         "goto repeat\r\n"
         ":done\r\n" +
         (folder.empty() ? std::string() : "rmdir \"" + dir + "\"\r\n") +
         "del \"" + self + "\"\r\n";
}

bool ScheduleSelfDelete(const std::wstring& program, const std::wstring& folder) {
  wchar_t temp[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, temp);
  if (n == 0 || n >= MAX_PATH) return false;
  wchar_t name[MAX_PATH];
  if (!GetTempFileNameW(temp, L"uni", 0, name)) return false;
  std::wstring tempName = name;
  std::wstring batch = tempName.substr(0, tempName.size() - 4) + L".bat";
  DeleteFileW(tempName.c_str());
  std::string text = SelfDeleteBatch(program, folder, batch);
  bool ok;
  {
    winbase::FileHandle file(CreateFileW(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    ok = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  }
  if (!ok) { DeleteFileW(batch.c_str()); return false; }

  // Named with its full path: a bare "cmd.exe" is looked for in the uninstaller's own folder
  // first, where an installation (or anyone) may have put one.
  const std::wstring interpreter = SystemFolder() + L"\\cmd.exe";
  std::wstring command = L"\"" + interpreter + L"\" /c \"" + batch + L"\"";
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(interpreter.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW | IDLE_PRIORITY_CLASS,
                      nullptr, temp, &startup, &started)) {
    DeleteFileW(batch.c_str());
    return false;
  }
  winbase::KernelHandle thread(started.hThread);
  winbase::ProcessHandle process(started.hProcess);
  return true;
}

}  // namespace uninstall
