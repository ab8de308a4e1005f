#include "edit_log.h"

#include <windows.h>

#include "winbase/handles.h"
#include "winbase/module_path.h"
#include "winbase/text.h"

namespace resedit {
namespace {

constexpr LONGLONG kMaxLogSize = 256 * 1024;

std::wstring TimeStamp() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  auto two = [](WORD v) {
    std::wstring s = std::to_wstring(v);
    return s.size() < 2 ? L"0" + s : s;
  };
  return std::to_wstring(t.wYear) + L"-" + two(t.wMonth) + L"-" + two(t.wDay) + L" " + two(t.wHour) +
         L":" + two(t.wMinute) + L":" + two(t.wSecond);
}

}  // namespace

void EditLog::AppendTo(const std::wstring& path) const {
  winbase::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.get(), &size) && size.QuadPart > kMaxLogSize) {
    SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
    SetEndOfFile(file.get());
  }
  SetFilePointer(file.get(), 0, nullptr, FILE_END);
  std::wstring text;
  const std::wstring stamp = L"[" + TimeStamp() + L"] ";
  for (const auto& line : lines_) text += stamp + line + L"\r\n";
  const std::string bytes = winbase::Narrow(text);
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring ErrorCodeText(unsigned long code) {
  return L"system error " + std::to_wstring(code);
}

std::wstring LogPathBesideProgram() {
  const std::wstring path = winbase::ProgramPath();
  if (path.empty()) return L"reshacker.log";
  const auto slash = path.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + L"reshacker.log";
}

}  // namespace resedit
