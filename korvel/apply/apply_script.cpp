#include "korvel/apply/apply_script.h"

#include <windows.h>

#include <algorithm>

#include "korvel/library/plain_file_name.h"
#include "winbase/handles.h"
#include "winbase/text.h"

namespace korvel {

std::wstring BitmapCommand(const std::wstring& bitmapFile) {
  const std::size_t dot = bitmapFile.rfind(L'.');
  const std::wstring resourceName =
      dot == std::wstring::npos ? bitmapFile : bitmapFile.substr(0, dot);
  return L"-addoverwrite " + bitmapFile + L",Bitmap," + resourceName + L",0";
}

std::wstring ApplyScriptText(const std::wstring& systemRoot,
                             const std::vector<std::wstring>& bitmapFiles) {
  std::wstring text = L"[FILENAMES]\r\n";
  text += L"Exe=" + systemRoot + L"system32\\logonui.exe\r\n";
  text += L"SaveAs=" + systemRoot + L"system32\\logonkv.exe\r\n";
  text += L"[COMMANDS]\r\n";
  for (const std::wstring& file : bitmapFiles) text += BitmapCommand(file) + L"\r\n";
  text += kUiFileCommand;
  text += L"\r\n";
  return text;
}

bool FitsAnsi(const std::wstring& text) {
  return winbase::NarrowExactly(text, CP_ACP).has_value();
}

ScriptNameFault ScriptNameFaultOf(const std::wstring& bitmapFile) {
  if (bitmapFile.empty()) return ScriptNameFault::NoName;
  if (!FitsAnsi(bitmapFile)) return ScriptNameFault::NotInCodePage;
  const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  for (wchar_t c : bitmapFile)
    if (c < 0x20 || c == L',' || c == L'"') return ScriptNameFault::Separator;
  if (blank(bitmapFile.front()) || blank(bitmapFile.back())) return ScriptNameFault::BlankAtEnd;

  const std::size_t dot = bitmapFile.rfind(L'.');
  const std::wstring name = dot == std::wstring::npos ? bitmapFile : bitmapFile.substr(0, dot);
  if (name.empty()) return ScriptNameFault::NoName;
  if (blank(name.back())) return ScriptNameFault::BlankAtEnd;
  if (name.size() > 255) return ScriptNameFault::TooLong;
  const bool marked = name.front() == L'#';
  const std::wstring digits = marked ? name.substr(1) : name;
  const bool allDigits =
      !digits.empty() && digits.find_first_not_of(L"0123456789") == std::wstring::npos;
  if (!allDigits) return marked ? ScriptNameFault::BadNumber : ScriptNameFault::None;
  unsigned long value = 0;
  for (wchar_t c : digits) {
    value = value * 10 + static_cast<unsigned long>(c - L'0');
    if (value > 65535) return ScriptNameFault::BadNumber;
  }
  return value != 0 ? ScriptNameFault::None : ScriptNameFault::BadNumber;
}

std::wstring ResourceKeyOf(const std::wstring& bitmapFile) {
  const std::size_t dot = bitmapFile.rfind(L'.');
  const std::wstring name = dot == std::wstring::npos ? bitmapFile : bitmapFile.substr(0, dot);
  const std::wstring digits = !name.empty() && name.front() == L'#' ? name.substr(1) : name;
  if (digits.empty() || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
    return FoldedName(name);
  unsigned long value = 0;
  for (wchar_t c : digits) value = std::min(value * 10 + static_cast<unsigned long>(c - L'0'), 65536ul);
  return L"#" + std::to_wstring(value);
}

bool WriteApplyScript(const std::wstring& path, const std::wstring& text) {
  const std::string bytes = winbase::Narrow(text);
  DWORD error = ERROR_SUCCESS;
  {
    winbase::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      error = GetLastError();
    else if (written != bytes.size())
      error = ERROR_DISK_FULL;
  }
  if (error == ERROR_SUCCESS) return true;
  SetLastError(error);  // the closing of the file must not hide why the write failed
  return false;
}

std::wstring ResourceToolCommandLine(const std::wstring& programFolder) {
  return L"\"" + programFolder + kResourceToolName + L"\" -script " + kApplyScriptName;
}

}  // namespace korvel
